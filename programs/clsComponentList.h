#pragma once
// One component (a module loaded by a program) with its right.
#include <cstdint>
#include <string>

namespace mv {

class clsComponentList {
 public:
  std::string Path;           // full path of the module as reported
  std::string ComponentName;  // its section in Components.MVL, shown as its name
  std::string Description;    // the module's file description
  std::uint8_t AccessType = 0;  // 0 Allow, 1 Block, 2 Ask
};

}  // namespace mv
