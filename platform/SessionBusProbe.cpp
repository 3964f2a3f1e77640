#include "platform/SessionBusProbe.h"

#include <errno.h>
#include <poll.h>
#include <stddef.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

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

// A non-blocking connection to the socket, retried while the listener's
// queue is full (where a blocking connection would wait); -1 when the socket
// is not there or takes no connection before the deadline, with `queued`
// telling the latter.
int connectTo(const BusSocket& socket, Clock::time_point deadline, bool& queued) {
  queued = false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = socket.abstract ? 1 : 0;  // the abstract name follows a '\0'
  if (socket.path.empty() || socket.path.size() + offset >= sizeof(address.sun_path)) return -1;
  std::memcpy(address.sun_path + offset, socket.path.data(), socket.path.size());
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + socket.path.size() +
                                                  (socket.abstract ? 0 : 1));
  for (;;) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) return fd;
    const int error = errno;
    ::close(fd);
    if (error != EAGAIN) return -1;
    queued = true;
    if (remainingMs(deadline) == 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
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
  size_t sent = 0;
  while (sent < request.size()) {
    ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, remainingMs(deadline)) <= 0) return false;
  }
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

}  // namespace

std::vector<BusSocket> SessionBusSockets(const std::string& address) {
  std::vector<BusSocket> sockets;
  for (const std::string& entry : split(address, ';')) {
    if (entry.empty()) continue;
    if (entry.rfind("unix:", 0) != 0) return {};
    BusSocket socket;
    bool named = false;
    for (const std::string& pair : split(entry.substr(5), ',')) {
      const size_t equals = pair.find('=');
      if (equals == std::string::npos) return {};
      const std::string name = pair.substr(0, equals);
      if (name != "path" && name != "abstract") continue;  // guid and the like
      if (named || !unescape(pair.substr(equals + 1), socket.path)) return {};
      socket.abstract = name == "abstract";
      named = true;
    }
    if (!named) return {};  // unix:dir=, unix:runtime= and such only listen
    sockets.push_back(socket);
  }
  return sockets;
}

BusState SessionBusState(const std::vector<BusSocket>& sockets, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (const BusSocket& socket : sockets) {
    bool queued = false;
    int fd = connectTo(socket, deadline, queued);
    if (queued) return BusState::Silent;
    if (fd < 0) continue;
    const bool answered = answers(fd, deadline);
    ::close(fd);
    return answered ? BusState::Answers : BusState::Silent;
  }
  return BusState::Absent;
}

std::string PassOverSessionBusThatDoesNotAnswer() {
  const char* value = ::getenv("DBUS_SESSION_BUS_ADDRESS");
  std::string address = value ? value : "";
  if (address.empty()) {
    // libdbus then looks for the bus of the user's session here.
    const char* runtime = ::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return "";
    address = "unix:path=" + std::string(runtime) + "/bus";
  }
  const std::vector<BusSocket> sockets = SessionBusSockets(address);
  if (sockets.empty() || SessionBusState(sockets, std::chrono::milliseconds(1000)) != BusState::Silent) return "";
  ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoBusAddress, 1);
  return "The session bus " + address + " did not answer within a second; the program goes on without it";
}

}  // namespace mv::platform
