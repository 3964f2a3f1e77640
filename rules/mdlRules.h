#pragma once
// Rule sources: the zone address lists and the sixteen port lists gathered
// from the settings tables before the rule file is written.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

// One port range: (first port, last port).
using PortPair = std::array<std::int32_t, 2>;
using PortList = std::vector<PortPair>;

inline std::vector<std::string> arrBlockedEntries{""};
inline std::vector<std::string> arrTrustedEntries{""};

inline PortList arrTCPInternetMediumOut{{0, 0}}, arrTCPInternetMediumIn{{0, 0}};
inline PortList arrTCPInternetHighOut{{0, 0}}, arrTCPInternetHighIn{{0, 0}};
inline PortList arrTCPTrustedMediumOut{{0, 0}}, arrTCPTrustedMediumIn{{0, 0}};
inline PortList arrTCPTrustedHighOut{{0, 0}}, arrTCPTrustedHighIn{{0, 0}};
inline PortList arrUDPInternetMediumOut{{0, 0}}, arrUDPInternetMediumIn{{0, 0}};
inline PortList arrUDPInternetHighOut{{0, 0}}, arrUDPInternetHighIn{{0, 0}};
inline PortList arrUDPTrustedMediumOut{{0, 0}}, arrUDPTrustedMediumIn{{0, 0}};
inline PortList arrUDPTrustedHighOut{{0, 0}}, arrUDPTrustedHighIn{{0, 0}};

// Reloads the lists and writes the rule file (block-all when bBlockAll).
// False when the rule file was not written or the service did not start.
bool LoadBlockingRules(bool bBlockAll);
void InitRuleDictionaries();
void LoadTCPPorts(long zone, long level, long portType, PortList& list);
void LoadUDPPorts(long zone, long level, long portType, PortList& list);
void LoadArrayList(long table, const std::string& columns, const std::string& where,
                   std::vector<std::string>& list);

}  // namespace mv
