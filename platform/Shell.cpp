#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/Paths.h"
#include "platform/QtText.h"

namespace mv::platform {
namespace {
std::function<void(const std::string&)>& handler() {
  static std::function<void(const std::string&)> h;
  return h;
}
}  // namespace

void shellOpen(const std::string& target) {
  if (handler()) {
    handler()(target);
    return;
  }
  QUrl url = QUrl(toQString(target));
  // A path without a scheme is a folder or file of this machine.
  if (url.scheme().isEmpty() || url.scheme().size() == 1)
    url = QUrl::fromLocalFile(toQString(resolvePath(target)));
  QDesktopServices::openUrl(url);
}

void setShellOpenHandler(std::function<void(const std::string&)> h) { handler() = std::move(h); }

}  // namespace mv::platform
