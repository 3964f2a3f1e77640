#include "platform/Shell.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "platform/Paths.h"
#include "platform/QtText.h"
#include "platform/Seam.h"

namespace mv::platform {
namespace {

// The desktop's opener takes web and mail addresses as they are; a path
// without a scheme is a folder or file of this machine.
bool openWithDesktop(const std::string& target) {
  const std::size_t colon = target.find(':');
  const bool hasScheme = colon != std::string::npos && colon > 1;
  const std::string what = hasScheme ? target : resolvePath(target);
  return QProcess::startDetached("xdg-open", QStringList{toQString(what)});
}

Seam<bool(const std::string&)>& opener() {
  static Seam<bool(const std::string&)> seam(openWithDesktop);
  return seam;
}

// The desktop's own text editors, then its opener for whatever it has.
bool startTextViewer(const std::string& path) {
  static const char* const viewers[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                        "pluma", "xed", "featherpad", "leafpad", "xdg-open"};
  const QString file = toQString(resolvePath(path));
  for (const char* viewer : viewers) {
    const QString program = QStandardPaths::findExecutable(viewer);
    if (!program.isEmpty() && QProcess::startDetached(program, QStringList{file})) return true;
  }
  return false;
}

Seam<bool(const std::string&)>& viewer() {
  static Seam<bool(const std::string&)> seam(startTextViewer);
  return seam;
}

Seam<bool(const std::string&)>& sheet() {
  static Seam<bool(const std::string&)> seam([](const std::string&) { return false; });
  return seam;
}

}  // namespace

bool shellOpen(const std::string& target) { return opener()(target); }
void setShellOpenHandler(std::function<bool(const std::string&)> handler) { opener().replace(std::move(handler)); }

bool openTextViewer(const std::string& path) { return viewer()(path); }
void setTextViewerHandler(std::function<bool(const std::string&)> handler) { viewer().replace(std::move(handler)); }

bool showPropertiesSheet(const std::string& path) { return sheet()(path); }
void setPropertiesSheetHandler(PropertiesSheetHandler handler) { sheet().replace(std::move(handler)); }
void installPropertiesSheet(PropertiesSheetHandler handler) { sheet().install(std::move(handler)); }

}  // namespace mv::platform
