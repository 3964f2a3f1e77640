#pragma once
// The component list store: the components (modules loaded by programs) with
// their right, kept in Components.MVL and in colComponentList.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Collection.h"
#include "programs/clsComponentList.h"

namespace mv {

// The keys of a component section, in the order they are written.
inline constexpr std::array<const char*, 3> ComponentSectionKeys = {"Path", "Description", "AccessType"};

// The components, keyed by the lower-cased path, in file order.
inline Collection<std::shared_ptr<clsComponentList>> colComponentList;

// Empties colComponentList.
void ResetComponentControlGlobals();

// Adds one component per usable section of Components.MVL to
// colComponentList, each value read by its key wherever it stands in the
// section. A damaged section (one that lacks a key), or one naming a path
// that is already listed, is skipped.
void LoadComponentsFromINI();

// The unscrambled value of the key; "" when it is missing.
std::string ReadComponentValue(const std::string& section, const std::string& key, const std::string& file);

// Records a component the engine reports, with its right (AccessCode), in the
// file, the collection and the open page.
void AddComponentToINI(const std::string& path, std::uint8_t right);

// The section for the module with this path among "name(1)", "name(2)", ...
std::string GetComponentSection(const std::string& name, const std::string& path);

// The right text a component row shows: Allow, Block or Ask; none for a
// code that is no right.
std::string ComponentRightText(std::uint8_t right);

// The name a component is listed under: its section name, with the module's
// file name written as its path writes it ("libssl.so.3" for the section
// "LIBSSL.SO.3", "libssl.so.3(1)" for "LIBSSL.SO.3(1)"); the section name as
// it stands when it does not begin with the file name.
std::string ComponentDisplayName(const clsComponentList& component);

// The question before components are removed (names as RemovalNameList
// lists them).
std::string ComponentRemovalQuestion(const std::vector<std::string>& names);

// Stores the right (AccessCode) of the listed component with this path under
// AccessType of its section, found by name without regard to case, and in
// its entry of colComponentList; false, with nothing changed, when it cannot
// be stored.
bool StoreComponentRight(const std::string& path, std::uint8_t right);

// Removes the listed components with these paths: their sections of
// Components.MVL, in one write, and their entries of colComponentList; false,
// with nothing changed, when the sections could not be deleted.
[[nodiscard]] bool RemoveComponentEntries(const std::vector<std::string>& paths);

}  // namespace mv
