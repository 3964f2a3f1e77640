#pragma once
// The component list store: the components (modules loaded by programs) with
// their right, kept in Components.MVL and in colComponentList.
#include <cstdint>
#include <memory>
#include <string>

#include "core/Collection.h"
#include "programs/clsComponentList.h"

namespace mv {

// The components, keyed by the lower-cased path, in file order.
inline Collection<std::shared_ptr<clsComponentList>> colComponentList;

// Empties colComponentList.
void ResetComponentControlGlobals();

// Adds one component per usable section of Components.MVL to
// colComponentList. A damaged section, or one naming a path that is already
// listed, is skipped.
void LoadComponentsFromINI();

// The unscrambled value of the key; "" when it is missing.
std::string ReadComponentValue(const std::string& section, const std::string& key, const std::string& file);

// Records a component the engine reports, with its right (AccessCode), in the
// file, the collection and the open page.
void AddComponentToINI(const std::string& path, std::uint8_t right);

// The section for the module with this path among "name(1)", "name(2)", ...
std::string GetComponentSection(const std::string& name, const std::string& path);

// Removes the components selected on the program-control page, after the
// user has confirmed.
void removeComponent();

}  // namespace mv
