#pragma once
// One program with its four rights, its lock state and its port options.
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

class clsProgramList {
 public:
  std::string ProgramName;  // its section in ProgramControl.MVL, shown as its name
  std::string Version;      // product version of the file
  std::string Path;         // full path of the executable
  std::string AccessTrusted;   // right texts: "Allow", "Block" or "Ask"
  std::string AccessInternet;
  std::string ServerTrusted;
  std::string ServerInternet;
  std::string LockState;       // "Normal" or "PassLock"
  float AllowAccess = 0;       // 0 all ports, 1 only the checked ports, 2 all but the checked ports
  float Authenticate = 0;      // 0 program and component, 1 program only, 2 component only
  bool ICMP_Protocol = false;
  bool IGMP_Protocol = false;
  bool Active = false;         // the program has a running process
  std::vector<std::string> CustomPorts;      // port text of each allowed pair
  std::vector<std::string> CustomProtocols;  // "TCP" or "UDP", parallel to CustomPorts
  std::string Ports;                         // preset entries offered
  std::string CheckedPorts;                  // preset entries checked
  std::int16_t NoCustomizePorts = 0;         // number of Custom_<n> keys
  std::vector<std::string> CustomEntries;    // the Custom_<n> values in key order
};

}  // namespace mv
