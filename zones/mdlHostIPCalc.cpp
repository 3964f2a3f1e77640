#include "zones/mdlHostIPCalc.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include "core/ErrorBoundary.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Network.h"
#include "zones/mdlActiveNetwork.h"

namespace mv {

namespace {
constexpr int kMinSockets = 1;

// One lookup handed to the resolver's thread. The thread fills in the
// answer; the waiting side reads it once the thread has told it so, or
// leaves it to the thread when it gives up waiting first.
struct PendingLookup {
  std::mutex guard;
  bool answered = false;
  bool found = false;
  std::vector<platform::IPv4Bytes> addresses;
  QEventLoop* wait = nullptr;  // touched on the waiting thread only
  bool stopped = false;        // likewise
};

// The lookups being waited for, innermost last.
std::vector<PendingLookup*>& waits() {
  static std::vector<PendingLookup*> w;
  return w;
}

// Runs the resolver on a thread of its own and handles window events until
// it answers, `limit` passes or StopHostLookups; the answer, if any came.
std::optional<std::vector<platform::IPv4Bytes>> lookUpWhileEventsRun(const std::string& name,
                                                                     std::chrono::milliseconds limit,
                                                                     bool& stopped) {
  auto pending = std::make_shared<PendingLookup>();
  platform::HostLookupFn lookup = platform::hostLookupInUse();
  std::thread([pending, lookup, name] {
    std::vector<platform::IPv4Bytes> addresses;
    const bool found = lookup(name, addresses);
    {
      std::lock_guard<std::mutex> lock(pending->guard);
      pending->found = found;
      pending->addresses = std::move(addresses);
      pending->answered = true;
    }
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(
          app, [pending] { if (pending->wait) pending->wait->quit(); }, Qt::QueuedConnection);
  }).detach();

  QEventLoop wait;
  QTimer::singleShot(limit, &wait, &QEventLoop::quit);
  pending->wait = &wait;
  waits().push_back(pending.get());
  wait.exec();
  waits().pop_back();
  pending->wait = nullptr;
  stopped = pending->stopped;
  std::lock_guard<std::mutex> lock(pending->guard);
  if (stopped || !pending->answered || !pending->found) return std::nullopt;
  return pending->addresses;
}

}  // namespace

void StopHostLookups() {
  for (PendingLookup* p : waits()) {
    p->stopped = true;
    if (p->wait) p->wait->quit();
  }
}

std::uint16_t HiByte(std::uint16_t wParam) { return wParam >> 8; }
std::uint16_t LoByte(std::uint16_t wParam) { return wParam & 0xFF; }

bool SocketsInitialize() {
  return ErrorBoundary("SocketsInitialize of mdlHostIPCalc", false, [&]() -> bool {
    platform::SocketsInfo info;
    if (platform::socketsStartup(kSocketsVersion, info) != 0) {
      platform::MsgBox(std::string("Windows Sockets for 32 bit Windows ") + "environments is not successfully responding.",
                       platform::vbOKOnly, AppTitle);
      return false;
    }
    std::uint16_t major = LoByte(info.version), minor = HiByte(info.version);
    if (major < 1 || (major == 1 && minor < 1)) {
      platform::MsgBox("Windows Sockets Version " + std::to_string(major) + "." + std::to_string(minor) +
                           " is not supported by Windows " + "Sockets for 32 bit Windows environments.",
                       platform::vbExclamation, AppTitle);
      return false;
    }
    if (info.maxSockets < kMinSockets) {
      platform::MsgBox("This application requires a minimum of " + std::to_string(kMinSockets) + " supported sockets.",
                       platform::vbExclamation, AppTitle);
      return false;
    }
    return true;
  });
}

void SocketsCleanup() {
  int rc = platform::socketsCleanup();
  if (rc != 0)
    platform::MsgBox("Windows Sockets error " + std::to_string(rc) + " occurred in Cleanup.", platform::vbExclamation,
                     AppTitle);
}

std::optional<std::vector<std::string>> ResolveIpaddress(const std::string& strHostName,
                                                         std::chrono::milliseconds limit) {
  if (!SocketsInitialize()) return std::nullopt;
  std::vector<std::string> addresses;
  bool stopped = false;
  ErrorBoundary("ResolveIpaddress of mdlHostIPCalc", [&] {
    const auto found = lookUpWhileEventsRun(strHostName, limit, stopped);
    if (!found) return;
    for (const auto& b : *found) {
      std::string text = IPToString(b);
      // The resolver may give one address more than once.
      if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) addresses.push_back(text);
    }
  });
  SocketsCleanup();
  if (stopped) return std::nullopt;
  return addresses;
}

}  // namespace mv
