#include "platform/Shell.h"

#include <QProcess>
#include <QStringList>

#include "platform/Paths.h"
#include "platform/QtText.h"
#include "platform/Seam.h"

namespace mv::platform {
namespace {

// The desktop's opener takes web and mail addresses as they are; a path
// without a scheme is a folder or file of this machine.
void openWithDesktop(const std::string& target) {
  const std::size_t colon = target.find(':');
  const bool hasScheme = colon != std::string::npos && colon > 1;
  const std::string what = hasScheme ? target : resolvePath(target);
  QProcess::startDetached("xdg-open", QStringList{toQString(what)});
}

Seam<void(const std::string&)>& opener() {
  static Seam<void(const std::string&)> seam(openWithDesktop);
  return seam;
}

Seam<bool(const std::string&)>& sheet() {
  static Seam<bool(const std::string&)> seam([](const std::string&) { return false; });
  return seam;
}

}  // namespace

void shellOpen(const std::string& target) { opener()(target); }
void setShellOpenHandler(std::function<void(const std::string&)> handler) { opener().replace(std::move(handler)); }

bool showPropertiesSheet(const std::string& path) { return sheet()(path); }
void setPropertiesSheetHandler(PropertiesSheetHandler handler) { sheet().replace(std::move(handler)); }
void installPropertiesSheet(PropertiesSheetHandler handler) { sheet().install(std::move(handler)); }

}  // namespace mv::platform
