#pragma once
// The computer's network as the system sees it: starting the sockets layer,
// IPv4 host-name lookup, the local IPv4 addresses with their masks, and the
// byte counters of the network interfaces. Each goes through one replaceable
// function, so that tests script the network instead of reading the machine's.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mv::platform {

// Four bytes in network order (the first byte is the first octet).
using IPv4Bytes = std::array<std::uint8_t, 4>;

// What the start of the sockets layer reports: the version the program is to
// use (low byte the major, high byte the minor version) and the number of
// sockets it may open.
struct SocketsInfo {
  std::uint16_t version = 0;
  std::uint16_t maxSockets = 0;
};

// Starts the sockets layer for the requested version; 0 on success, an error
// code otherwise.
using SocketsStartupFn = std::function<int(std::uint16_t requestedVersion, SocketsInfo& info)>;
// Ends it; 0 on success, -1 on failure.
using SocketsCleanupFn = std::function<int()>;
// The IPv4 addresses of a host name in the resolver's order; false when the
// name cannot be resolved.
using HostLookupFn = std::function<bool(const std::string& hostName, std::vector<IPv4Bytes>& addresses)>;

// One local IPv4 address with its subnet mask.
struct InterfaceAddress {
  IPv4Bytes address{};
  IPv4Bytes mask{};
};
// The local addresses in the order the system gives them; nullopt when the
// address table cannot be read.
using InterfaceAddressesFn = std::function<std::optional<std::vector<InterfaceAddress>>()>;

// The byte counters of one network interface.
struct InterfaceCounters {
  std::string name;
  std::uint64_t bytesReceived = 0;
  std::uint64_t bytesSent = 0;
};
// Every interface's counters; nullopt when the interface table is not
// available.
using InterfaceCountersFn = std::function<std::optional<std::vector<InterfaceCounters>>()>;

int socketsStartup(std::uint16_t requestedVersion, SocketsInfo& info);
int socketsCleanup();
bool lookupHost(const std::string& hostName, std::vector<IPv4Bytes>& addresses);
// The host-name lookup in use now (the real one or a test's), to be called
// away from the thread that may replace it.
HostLookupFn hostLookupInUse();
std::optional<std::vector<InterfaceAddress>> interfaceAddresses();
std::optional<std::vector<InterfaceCounters>> interfaceCounters();

// Replace the real functions (tests); an empty function puts the real one back.
void setSocketsStartup(SocketsStartupFn fn);
void setSocketsCleanup(SocketsCleanupFn fn);
void setHostLookup(HostLookupFn fn);
void setInterfaceAddresses(InterfaceAddressesFn fn);
void setInterfaceCounters(InterfaceCountersFn fn);

// Reads the interface table in the layout of /proc/net/dev: two heading
// lines, then "name: received-bytes ... (8 receive fields) sent-bytes ...".
std::vector<InterfaceCounters> parseInterfaceCounters(const std::string& text);

}  // namespace mv::platform
