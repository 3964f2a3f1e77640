#include "platform/Network.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace mv::platform {
namespace {

IPv4Bytes bytesOf(const sockaddr* sa) {
  IPv4Bytes b{};
  std::memcpy(b.data(), &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, 4);
  return b;
}

// The sockets layer needs no start here: every version up to 2.2 is given,
// with no limit on sockets beyond the usual.
int realSocketsStartup(std::uint16_t requestedVersion, SocketsInfo& info) {
  std::uint16_t major = requestedVersion & 0xFF, minor = requestedVersion >> 8;
  if (major > 2 || (major == 2 && minor > 2)) {
    major = 2;
    minor = 2;
  }
  info.version = static_cast<std::uint16_t>(major | (minor << 8));
  info.maxSockets = 32767;
  return 0;
}

int realSocketsCleanup() { return 0; }

bool realLookupHost(const std::string& hostName, std::vector<IPv4Bytes>& addresses) {
  addresses.clear();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
  addrinfo* list = nullptr;
  if (::getaddrinfo(hostName.c_str(), nullptr, &hints, &list) != 0) return false;
  for (addrinfo* a = list; a; a = a->ai_next)
    if (a->ai_family == AF_INET && a->ai_addr) addresses.push_back(bytesOf(a->ai_addr));
  ::freeaddrinfo(list);
  return true;
}

std::optional<std::vector<InterfaceAddress>> realInterfaceAddresses() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::vector<InterfaceAddress> out;
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP)) continue;
    InterfaceAddress ia;
    ia.address = bytesOf(i->ifa_addr);
    if (i->ifa_netmask) ia.mask = bytesOf(i->ifa_netmask);
    out.push_back(ia);
  }
  ::freeifaddrs(list);
  return out;
}

std::optional<std::vector<InterfaceCounters>> realInterfaceCounters() {
  std::ifstream in("/proc/net/dev", std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream ss;
  ss << in.rdbuf();
  return parseInterfaceCounters(ss.str());
}

template <class Fn>
Fn& slot() {
  static Fn fn;
  return fn;
}

}  // namespace

std::vector<InterfaceCounters> parseInterfaceCounters(const std::string& text) {
  std::vector<InterfaceCounters> out;
  std::istringstream lines(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(lines, line)) {
    if (++lineNo <= 2) continue;
    auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    InterfaceCounters c;
    std::string name = line.substr(0, colon);
    name.erase(0, name.find_first_not_of(" \t"));
    c.name = name;
    std::istringstream fields(line.substr(colon + 1));
    std::uint64_t v[9] = {};
    int n = 0;
    while (n < 9 && (fields >> v[n])) ++n;
    if (n < 9) continue;
    c.bytesReceived = v[0];
    c.bytesSent = v[8];
    out.push_back(c);
  }
  return out;
}

int socketsStartup(std::uint16_t requestedVersion, SocketsInfo& info) {
  auto& fn = slot<SocketsStartupFn>();
  return fn ? fn(requestedVersion, info) : realSocketsStartup(requestedVersion, info);
}

int socketsCleanup() {
  auto& fn = slot<SocketsCleanupFn>();
  return fn ? fn() : realSocketsCleanup();
}

bool lookupHost(const std::string& hostName, std::vector<IPv4Bytes>& addresses) {
  auto& fn = slot<HostLookupFn>();
  return fn ? fn(hostName, addresses) : realLookupHost(hostName, addresses);
}

HostLookupFn hostLookupInUse() {
  auto& fn = slot<HostLookupFn>();
  return fn ? fn : HostLookupFn(realLookupHost);
}

std::optional<std::vector<InterfaceAddress>> interfaceAddresses() {
  auto& fn = slot<InterfaceAddressesFn>();
  return fn ? fn() : realInterfaceAddresses();
}

std::optional<std::vector<InterfaceCounters>> interfaceCounters() {
  auto& fn = slot<InterfaceCountersFn>();
  return fn ? fn() : realInterfaceCounters();
}

void setSocketsStartup(SocketsStartupFn fn) { slot<SocketsStartupFn>() = std::move(fn); }
void setSocketsCleanup(SocketsCleanupFn fn) { slot<SocketsCleanupFn>() = std::move(fn); }
void setHostLookup(HostLookupFn fn) { slot<HostLookupFn>() = std::move(fn); }
void setInterfaceAddresses(InterfaceAddressesFn fn) { slot<InterfaceAddressesFn>() = std::move(fn); }
void setInterfaceCounters(InterfaceCountersFn fn) { slot<InterfaceCountersFn>() = std::move(fn); }

}  // namespace mv::platform
