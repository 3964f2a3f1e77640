#pragma once
// The built-in resources compiled into the programs: the scrambled default
// settings files and the rule templates.
#include <optional>
#include <string>
#include <vector>

namespace mv {

// The bytes of a built-in resource; names are matched without regard to case.
std::optional<std::string> LoadBuiltinResource(const std::string& name);

}  // namespace mv
