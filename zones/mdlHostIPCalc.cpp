#include "zones/mdlHostIPCalc.h"

#include <algorithm>

#include "core/ErrorBoundary.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Network.h"
#include "zones/mdlActiveNetwork.h"

namespace mv {

namespace {
constexpr int kMinSockets = 1;
}  // namespace

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

std::optional<std::vector<std::string>> ResolveIpaddress(const std::string& strHostName) {
  if (!SocketsInitialize()) return std::nullopt;
  std::vector<std::string> addresses;
  ErrorBoundary("ResolveIpaddress of mdlHostIPCalc", [&] {
    std::vector<platform::IPv4Bytes> found;
    if (!platform::lookupHost(strHostName, found)) return;
    for (const auto& b : found) {
      std::string text = IPToString(b);
      // The resolver may give one address more than once.
      if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) addresses.push_back(text);
    }
  });
  SocketsCleanup();
  return addresses;
}

}  // namespace mv
