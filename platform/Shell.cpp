#include "platform/Shell.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <set>

#include "platform/Paths.h"
#include "platform/QtText.h"
#include "platform/Seam.h"
#include "platform/SessionBusProbe.h"

namespace mv::platform {
namespace {

// The programs started and not yet ended. They are never ended from here:
// a browser that a handler runs outlives this program.
std::set<QProcess*>& running() {
  static auto* processes = new std::set<QProcess*>;
  return *processes;
}

// Starts the program without waiting for it to end. Its input is empty and
// its output goes where ours goes, so nothing of it hangs on a pipe of ours
// once we have ended. An error exit code reported later runs `failed`.
bool startWatched(const QString& program, const QStringList& arguments, LaterFailure failed) {
  auto* process = new QProcess;
  process->setProgram(program);
  process->setArguments(arguments);
  // The session bus as this program was given it, even where it was passed
  // over for this program's own windows.
  QProcessEnvironment environment;
  const ChildEnvironment child;
  for (const std::string& entry : child.entries()) {
    const std::size_t equals = entry.find('=');
    environment.insert(toQString(entry.substr(0, equals)), toQString(entry.substr(equals + 1)));
  }
  process->setProcessEnvironment(environment);
  process->setStandardInputFile(QProcess::nullDevice());
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(process, &QProcess::finished, process,
                   [process, failed = std::move(failed)](int exitCode, QProcess::ExitStatus status) {
                     running().erase(process);
                     process->deleteLater();
                     if (status == QProcess::NormalExit && exitCode != 0 && failed) failed();
                   });
  process->start();
  if (!process->waitForStarted()) {
    delete process;
    return false;
  }
  running().insert(process);
  return true;
}

// The desktop's opener takes web and mail addresses as they are; a path
// without a scheme is a folder or file of this machine.
bool openWithDesktop(const std::string& target, LaterFailure failed) {
  const std::size_t colon = target.find(':');
  const bool hasScheme = colon != std::string::npos && colon > 1;
  const std::string what = hasScheme ? target : resolvePath(target);
  return startWatched("xdg-open", QStringList{toQString(what)}, std::move(failed));
}

Seam<bool(const std::string&, LaterFailure)>& opener() {
  static Seam<bool(const std::string&, LaterFailure)> seam(openWithDesktop);
  return seam;
}

// The desktop's own text editors, then its opener for whatever it has.
bool startTextViewer(const std::string& path, LaterFailure failed) {
  static const char* const viewers[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                        "pluma", "xed", "featherpad", "leafpad", "xdg-open"};
  const QString file = toQString(resolvePath(path));
  for (const char* viewer : viewers) {
    const QString program = QStandardPaths::findExecutable(viewer);
    if (!program.isEmpty() && startWatched(program, QStringList{file}, failed)) return true;
  }
  return false;
}

Seam<bool(const std::string&, LaterFailure)>& viewer() {
  static Seam<bool(const std::string&, LaterFailure)> seam(startTextViewer);
  return seam;
}

// A test's replacement answers only whether it started.
std::function<bool(const std::string&, LaterFailure)> startsOnly(std::function<bool(const std::string&)> handler) {
  if (!handler) return nullptr;
  return [handler = std::move(handler)](const std::string& target, LaterFailure) { return handler(target); };
}

Seam<bool(const std::string&)>& sheet() {
  static Seam<bool(const std::string&)> seam([](const std::string&) { return false; });
  return seam;
}

}  // namespace

bool shellOpen(const std::string& target, LaterFailure failed) { return opener()(target, std::move(failed)); }
void setShellOpenHandler(std::function<bool(const std::string&)> handler) {
  opener().replace(startsOnly(std::move(handler)));
}

bool openTextViewer(const std::string& path, LaterFailure failed) { return viewer()(path, std::move(failed)); }
void setTextViewerHandler(std::function<bool(const std::string&)> handler) {
  viewer().replace(startsOnly(std::move(handler)));
}

bool showPropertiesSheet(const std::string& path) { return sheet()(path); }
void setPropertiesSheetHandler(PropertiesSheetHandler handler) { sheet().replace(std::move(handler)); }
void installPropertiesSheet(PropertiesSheetHandler handler) { sheet().install(std::move(handler)); }

}  // namespace mv::platform
