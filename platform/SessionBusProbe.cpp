#include "platform/SessionBusProbe.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <stddef.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

extern char** environ;

namespace mv::platform {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

// Decodes the %XX escapes of an address value; false on a broken escape.
bool unescape(const std::string& value, std::string& out) {
  out.clear();
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      out += value[i];
      continue;
    }
    if (i + 2 >= value.size()) return false;
    char hex[3] = {value[i + 1], value[i + 2], 0};
    char* end = nullptr;
    long c = std::strtol(hex, &end, 16);
    if (end != hex + 2) return false;
    out += static_cast<char>(c);
    i += 2;
  }
  return true;
}

int remainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// How a connection attempt ended.
enum class Connect { Made, Refused, Pending };

// A connection to the Unix socket. Where the listener's queue is full (a bus
// that has stopped taking connections off it) the kernel holds the connection
// until there is room or the time is up, as a blocking connection would wait;
// the thread sleeps meanwhile instead of trying again and again.
Connect connectUnix(const BusCandidate& socket, Clock::time_point deadline, int& fd) {
  fd = -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = socket.abstract ? 1 : 0;  // the abstract name follows a '\0'
  if (socket.path.empty() || socket.path.size() + offset >= sizeof(address.sun_path)) return Connect::Refused;
  std::memcpy(address.sun_path + offset, socket.path.data(), socket.path.size());
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + socket.path.size() +
                                                  (socket.abstract ? 0 : 1));
  fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Connect::Refused;
  for (;;) {
    // A time of zero would mean no limit: at least a millisecond.
    const int left = std::max(remainingMs(deadline), 1);
    const timeval limit{left / 1000, (left % 1000) * 1000};
    if (::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) break;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) {
      // The rest of the look waits with poll.
      if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) break;
      return Connect::Made;
    }
    const int error = errno;
    if (error == EINTR && remainingMs(deadline) > 0) continue;
    ::close(fd);
    fd = -1;
    return error == EAGAIN || error == EINTR ? Connect::Pending : Connect::Refused;
  }
  ::close(fd);
  fd = -1;
  return Connect::Refused;
}

// A non-blocking TCP connection to each address of the host in turn, as
// libdbus tries them. Only numeric hosts and "localhost" are looked up: a
// name lookup may wait on the network far beyond the time there is.
Connect connectTcp(const BusCandidate& bus, Clock::time_point deadline, int& fd) {
  fd = -1;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_ADDRCONFIG;
  hints.ai_family = bus.family == "ipv4" ? AF_INET : bus.family == "ipv6" ? AF_INET6 : AF_UNSPEC;
  std::vector<std::string> hosts{bus.host};
  if (bus.host == "localhost") hosts = {"127.0.0.1", "::1"};
  for (const std::string& host : hosts) {
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), bus.port.c_str(), &hints, &found) != 0) continue;
    for (addrinfo* a = found; a; a = a->ai_next) {
      fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
      if (fd < 0) continue;
      int result = ::connect(fd, a->ai_addr, a->ai_addrlen);
      if (result != 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, remainingMs(deadline)) <= 0) {
          ::freeaddrinfo(found);
          ::close(fd);
          fd = -1;
          return Connect::Pending;
        }
        int error = 0;
        socklen_t size = sizeof error;
        result = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0 ? 0 : -1;
      }
      if (result == 0) {
        ::freeaddrinfo(found);
        return Connect::Made;
      }
      ::close(fd);
      fd = -1;
    }
    ::freeaddrinfo(found);
  }
  return Connect::Refused;
}

bool sendAll(int fd, const std::string& bytes, Clock::time_point deadline) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, remainingMs(deadline)) <= 0) return false;
  }
  return true;
}

// The 16 bytes of a nonce file, which a nonce-tcp bus takes first.
bool readNonce(const std::string& path, std::string& nonce) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[16];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  if (n != static_cast<ssize_t>(sizeof buffer)) return false;
  nonce.assign(buffer, sizeof buffer);
  return true;
}

// Sends the start of an EXTERNAL authentication and waits for a reply line.
bool answers(int fd, Clock::time_point deadline) {
  std::string uid = std::to_string(::getuid());
  static const char digits[] = "0123456789abcdef";
  std::string request(1, '\0');
  request += "AUTH EXTERNAL ";
  for (unsigned char c : uid) {
    request += digits[c >> 4];
    request += digits[c & 15];
  }
  request += "\r\n";
  if (!sendAll(fd, request, deadline)) return false;
  std::string reply;
  for (;;) {
    char buffer[256];
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      reply.append(buffer, static_cast<size_t>(n));
      if (reply.find("\r\n") != std::string::npos) return true;
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, remainingMs(deadline)) <= 0) return false;
  }
}

// The address as the look at start found it, where it replaced it.
struct Replaced {
  bool done = false;
  std::optional<std::string> original;
};
Replaced& replaced() {
  static Replaced r;
  return r;
}

std::optional<std::string> environmentValue(const char* name) {
  const char* value = ::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

// Whether `path` is a socket of this user, as libdbus wants the one in
// $XDG_RUNTIME_DIR to be before it takes it.
bool isOwnSocket(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid();
}

// An address value escaped as D-Bus addresses want it.
std::string escapeValue(const std::string& value) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : value) {
    if (std::isalnum(c) || std::strchr("-_/.\\*", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += digits[c >> 4];
      out += digits[c & 15];
    }
  }
  return out;
}

// The given address, or where none is given the socket of the user's
// session in $XDG_RUNTIME_DIR; "" where libdbus would launch a bus.
std::string sessionBusAsLibdbusFindsIt() {
  if (const std::optional<std::string> given = GivenSessionBusAddress()) return *given;
  const std::optional<std::string> runtime = environmentValue("XDG_RUNTIME_DIR");
  if (runtime && isOwnSocket(*runtime + "/bus")) return "unix:path=" + escapeValue(*runtime + "/bus");
  return "";
}

}  // namespace

std::vector<BusCandidate> SessionBusCandidates(const std::string& address) {
  std::vector<BusCandidate> candidates;
  for (const std::string& entry : split(address, ';')) {
    if (entry.empty()) continue;
    const size_t colon = entry.find(':');
    if (colon == std::string::npos) return {};
    const std::string method = entry.substr(0, colon);
    std::map<std::string, std::string> keys;
    if (colon + 1 < entry.size()) {
      for (const std::string& pair : split(entry.substr(colon + 1), ',')) {
        const size_t equals = pair.find('=');
        std::string value;
        if (equals == std::string::npos || equals == 0 || !unescape(pair.substr(equals + 1), value)) return {};
        keys[pair.substr(0, equals)] = value;
      }
    }
    auto key = [&keys](const char* name) {
      auto found = keys.find(name);
      return found == keys.end() ? std::string() : found->second;
    };
    BusCandidate candidate;
    if (method == "unix") {
      // unix:dir=, unix:tmpdir= and unix:runtime= only listen.
      const bool path = keys.count("path") != 0, abstract = keys.count("abstract") != 0;
      if (path != abstract) {
        candidate.kind = BusCandidate::Unix;
        candidate.abstract = abstract;
        candidate.path = key(abstract ? "abstract" : "path");
      }
    } else if (method == "tcp" || method == "nonce-tcp") {
      candidate.host = keys.count("host") ? key("host") : "localhost";
      candidate.port = key("port");
      candidate.family = key("family");
      candidate.nonceFile = key("noncefile");
      const bool nonce = method == "nonce-tcp";
      const bool complete = !candidate.port.empty() && (!nonce || !candidate.nonceFile.empty()) &&
                            (candidate.family.empty() || candidate.family == "ipv4" || candidate.family == "ipv6");
      if (complete) {
        addrinfo hints{}, *found = nullptr;
        hints.ai_flags = AI_NUMERICHOST;
        const bool numeric = ::getaddrinfo(candidate.host.c_str(), nullptr, &hints, &found) == 0;
        if (found) ::freeaddrinfo(found);
        candidate.kind = !numeric && candidate.host != "localhost" ? BusCandidate::Unjudged
                         : nonce                                   ? BusCandidate::NonceTcp
                                                                   : BusCandidate::Tcp;
      }
    } else if (method == "unixexec" || method == "autolaunch") {
      candidate.kind = BusCandidate::Unjudged;
    }
    candidates.push_back(candidate);
  }
  return candidates;
}

BusState SessionBusState(const std::vector<BusCandidate>& candidates, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (const BusCandidate& candidate : candidates) {
    if (candidate.kind == BusCandidate::Unjudged) return BusState::Unjudged;
    if (candidate.kind == BusCandidate::Refused) continue;
    std::string nonce;
    if (candidate.kind == BusCandidate::NonceTcp && !readNonce(candidate.nonceFile, nonce)) continue;
    int fd = -1;
    const Connect made = candidate.kind == BusCandidate::Unix ? connectUnix(candidate, deadline, fd)
                                                              : connectTcp(candidate, deadline, fd);
    if (made == Connect::Pending) return BusState::Silent;
    if (made == Connect::Refused) continue;
    const bool answered = (nonce.empty() || sendAll(fd, nonce, deadline)) && answers(fd, deadline);
    ::close(fd);
    return answered ? BusState::Answers : BusState::Silent;
  }
  return BusState::Absent;
}

std::string PassOverSessionBusThatDoesNotAnswer() {
  const std::optional<std::string> given = environmentValue("DBUS_SESSION_BUS_ADDRESS");
  const std::string address = sessionBusAsLibdbusFindsIt();
  std::string line;
  if (!address.empty()) {
    const std::vector<BusCandidate> candidates = SessionBusCandidates(address);
    switch (SessionBusState(candidates, kSessionBusWait)) {
      case BusState::Answers:
      case BusState::Absent:
        return "";
      case BusState::Silent:
        line = "The session bus " + address + " did not answer within a second; the program goes on without it";
        break;
      case BusState::Unjudged:
        line = "The session bus " + address + " cannot be checked quickly; the program goes on without it";
        break;
    }
  }
  // Where no bus is there libdbus would launch one: nothing to report.
  replaced() = {true, given};
  ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoBusAddress, 1);
  return line;
}

std::optional<std::string> GivenSessionBusAddress() {
  const std::optional<std::string> now = environmentValue("DBUS_SESSION_BUS_ADDRESS");
  if (replaced().done && now == kNoBusAddress) return replaced().original;
  return now;
}

std::string SessionBusAddress() {
  const std::string address = sessionBusAsLibdbusFindsIt();
  // Entries that launch a bus are left out; so is the whole where nothing
  // else is there.
  std::string kept;
  for (const std::string& entry : split(address, ';')) {
    if (entry.empty() || entry.rfind("autolaunch:", 0) == 0) continue;
    kept += (kept.empty() ? "" : ";") + entry;
  }
  return kept;
}

ChildEnvironment::ChildEnvironment() {
  static const std::string kName = "DBUS_SESSION_BUS_ADDRESS=";
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, kName.c_str(), kName.size()) != 0) entries_.emplace_back(*e);
  if (const std::optional<std::string> given = GivenSessionBusAddress()) entries_.push_back(kName + *given);
  for (std::string& entry : entries_) pointers_.push_back(entry.data());
  pointers_.push_back(nullptr);
}

}  // namespace mv::platform
