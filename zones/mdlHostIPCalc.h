#pragma once
// Host-name lookup: all IPv4 addresses of a name, each in dotted form.
#include <chrono>
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

// How long a lookup waits for the resolver; a name not answered by then
// counts as one that cannot be resolved.
constexpr std::chrono::milliseconds kHostLookupLimit{10000};

// The IPv4 addresses of the name in the resolver's order, each once; an
// empty list when the name cannot be resolved or the resolver does not
// answer within `limit`; no list at all when the sockets layer could not be
// started or the lookup was stopped. Each call starts and ends the sockets
// layer itself. The resolver, which blocks, works on a thread of its own
// while window events go on being handled here, so a slow answer never
// freezes a window.
std::optional<std::vector<std::string>> ResolveIpaddress(const std::string& strHostName,
                                                         std::chrono::milliseconds limit = kHostLookupLimit);
// Ends the wait of every lookup in progress at once (the window that asked
// is going); its ResolveIpaddress gives no list.
void StopHostLookups();

}  // namespace mv
