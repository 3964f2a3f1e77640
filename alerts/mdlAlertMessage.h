#pragma once
// The sentence the alert pop-up shows for a blocked packet, built from the
// alert's direction, addresses (each optionally followed by ":" and a port)
// and protocol text, with the names of well-known ports and ICMP types.
#include <string>

namespace mv {

// "The firewall has blocked ... ." ("" when it cannot be built). An address
// without ":" takes its port from the event's port field given beside it;
// a TCP or UDP port that is still unknown leaves its bracketed phrase out.
std::string getAlertMessage(const std::string& direction, const std::string& source, const std::string& destination,
                            const std::string& protocol, const std::string& sourcePortField = "",
                            const std::string& destPortField = "");
// The bracketed phrase for a port: the service name for TCP and UDP, the
// ICMP type name, or protocol & " port " & port when there is no name.
std::string getProtocolText(const std::string& protocol, const std::string& port);
// True when either address ends in "255".
bool IsBroadcastAddress(const std::string& source, const std::string& destination);

}  // namespace mv
