#include "wizard/mdlProgramControl.h"

#include "core/VBRuntime.h"

namespace mv::wizard {

void ApplyRightsMenu(std::string& access, std::string& server, RightsMenuItem item) {
  switch (item) {
    case RightsMenuItem::AccessAllow: access = "Allow"; break;
    case RightsMenuItem::AccessBlock: access = server = "Block"; break;
    case RightsMenuItem::AccessAsk: access = server = "Ask"; break;
    case RightsMenuItem::ServerAllow: access = server = "Allow"; break;
    case RightsMenuItem::ServerBlock: server = "Block"; break;
    case RightsMenuItem::ServerAsk:
      if (access == "Block") access = "Ask";
      server = "Ask";
      break;
  }
}

long GetListItemIndex(const std::vector<std::string>& names, const std::string& name) {
  const std::string wanted = LCase(name);
  for (size_t i = 0; i < names.size(); ++i)
    if (LCase(names[i]) == wanted) return static_cast<long>(i) + 1;
  return 0;
}

std::string RemoveNameList(const std::vector<std::string>& selectedNames) {
  std::string list;
  for (size_t i = 0; i < selectedNames.size() && i < 16; ++i)
    list += selectedNames[i] + (i == 15 ? " ....." : "") + "\r\n";
  return list;
}

}  // namespace mv::wizard
