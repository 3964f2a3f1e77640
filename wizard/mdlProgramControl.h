#pragma once
// The wizard's program list as data: the rights menus of its Access and
// Server columns, the search by display name, and the question that lists
// the programs to be removed.
#include <string>
#include <vector>

namespace mv::wizard {

// The six items of the two rights menus.
enum class RightsMenuItem { AccessAllow, AccessBlock, AccessAsk, ServerAllow, ServerBlock, ServerAsk };

// Applies a menu item to a program's two rights. The Server right never
// allows more than the Access right: Block on Access blocks the server too,
// Allow on Server allows access too.
void ApplyRightsMenu(std::string& access, std::string& server, RightsMenuItem item);

// 1-based position of the first name equal to `name` without regard to
// case; 0 when there is none.
long GetListItemIndex(const std::vector<std::string>& names, const std::string& name);

// The names of the selected programs for the remove question: the first 15
// one a line, the 16th followed by " .....", the rest left out.
std::string RemoveNameList(const std::vector<std::string>& selectedNames);

}  // namespace mv::wizard
