#pragma once
// Host-name lookup: all IPv4 addresses of a name, each in dotted form.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mv {

// The sockets version asked for: 1.1.
constexpr std::uint16_t kSocketsVersion = 257;

std::uint16_t HiByte(std::uint16_t wParam);
std::uint16_t LoByte(std::uint16_t wParam);

// Starts the sockets layer; False (after telling the user why) when it
// cannot be used: it does not start, its version is below 1.1, or it offers
// no socket.
bool SocketsInitialize();
// Ends the sockets layer; a failure is told to the user.
void SocketsCleanup();

// The IPv4 addresses of the name in the resolver's order, each once; an
// empty list when the name cannot be resolved; no list at all when the
// sockets layer could not be started. Each call starts and ends the sockets
// layer itself.
std::optional<std::vector<std::string>> ResolveIpaddress(const std::string& strHostName);

}  // namespace mv
