#include "tests/support/TestEnv.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/mdlMain.h"
#include "wizard/mdlMain.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"
#include "core/mdlMorvantisDatabase.h"
#include "alerts/frmTimeTemp.h"
#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlEventGlobals.h"
#include "alerts/mdlEventReader.h"
#include "core/FormSeams.h"
#include "core/mdlLogin.h"
#include "core/mdlResize.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/FileInfo.h"
#include "platform/Network.h"
#include "platform/Seam.h"
#include "rules/mdlDefineRules.h"
#include "zones/ZoneLevels.h"
#include "zones/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "zones/mdlZoneEntry.h"

namespace fs = std::filesystem;

namespace mvtest {

std::string slurp(const std::string& nativePath) {
  std::ifstream in(nativePath, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void resetStoreGlobals() {
  mv::ResetProgramControlGlobals();
  mv::ResetComponentControlGlobals();
  mv::ResetAlertsAndLogsGlobals();
  mv::InitProgramControl();
}

void resetAllGlobals() {
  // Every module's globals.
  mv::blnStarted = false;
  mv::blnLogFileWritable = mv::blnQTRLogWritable = 0;
  mv::strPassword.clear();
  mv::blnLoggedIn = false;
  mv::ResetPasswordWatch();
  mv::intInternetZoneLevel = mv::intTrustedZoneLevel = 0;
  mv::ResetPortSettingGlobals();
  mv::ResetRuleGlobals();
  mv::ResetEventReader();
  mv::ResetEventReaderGlobals();
  mv::ResetAlertQueueGlobals();
  mv::arrAlertLabels.clear();
  mv::ResetResizeGlobals();
  mv::intIdleMinutes = 0;
  mv::ResetProgramControlGlobals();
  mv::ResetComponentControlGlobals();
  mv::ResetAlertsAndLogsGlobals();
  mv::wizard::ResetWizardGlobals();
  mv::ResetZoneEntryGlobals();
  // Every replaceable platform function, and the hooks the forms layer puts
  // in place at start (a test may have replaced them).
  mv::platform::resetSeams();
  mv::InstallFormSeams();
  mv::platform::setClock(std::nullopt);
  mv::platform::setEndProgramHandler(nullptr);
  mv::platform::setVersionResourceReader(nullptr);
  mv::platform::setSocketsStartup(nullptr);
  mv::platform::setSocketsCleanup(nullptr);
  mv::platform::setHostLookup(nullptr);
  mv::platform::setInterfaceAddresses(nullptr);
  mv::platform::setInterfaceCounters(nullptr);
}

std::string makeTemporaryFolder(const std::string& prefix) {
  std::string tmpl = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

void ProgramFolderTest::SetUp() {
  folder = makeTemporaryFolder("mvtest");
  ASSERT_FALSE(folder.empty());
  fs::create_directories(folder + "/Profiles");
  fs::create_directories(folder + "/System32/drivers/etc");
  fs::create_directories(folder + "/System32/logfiles/mvd");
  fs::create_directories(folder + "/System32/config");
  resetAllGlobals();
  mv::platform::setProgramFolder(folder);
  mv::platform::profileClearCache();
  mv::SetPathGlobals();
  mv::InitTableNames();
  mv::platform::setMsgBoxHandler([this](const std::string& p, int b, const std::string& t) {
    messages.push_back({p, b, t});
    if (answers.empty()) return static_cast<int>(mv::platform::vbOK);
    int a = answers.front();
    answers.pop_front();
    return a;
  });
}

void ProgramFolderTest::TearDown() {
  mv::platform::setMsgBoxHandler(nullptr);
  mv::platform::setClock(std::nullopt);
  std::error_code ec;
  // Read-only files and folders must not stop the clean-up.
  for (auto& e : fs::recursive_directory_iterator(folder, ec))
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(folder, ec);
}

std::string ProgramFolderTest::native(const std::string& relative) const { return folder + "/" + relative; }

std::string ProgramFolderTest::readText(const std::string& relative) const { return slurp(native(relative)); }

void ProgramFolderTest::writeText(const std::string& relative, const std::string& text) const {
  fs::create_directories(fs::path(native(relative)).parent_path());
  std::ofstream out(native(relative), std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  mv::platform::profileClearCache();
}

void ProgramFolderTest::installDefaults() const { mv::checkIsMorvantisCorrupted(); }

std::string ProgramFolderTest::writeScript(const std::string& relative, const std::string& interpreter) const {
  writeText(relative, "#!" + interpreter + "\necho running\nread line\n");
  fs::permissions(native(relative), fs::perms::owner_all);
  return native(relative);
}

std::string runningExecutable(const std::string& nativePath, const std::string& pathVariable) {
  QProcess process;
  process.setProgram(QString::fromStdString(nativePath));
  if (!pathVariable.empty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", QString::fromStdString(pathVariable));
    process.setProcessEnvironment(env);
  }
  process.start();
  std::string exe;
  if (process.waitForStarted(10000) && process.waitForReadyRead(10000)) {
    std::error_code ec;
    exe = fs::read_symlink("/proc/" + std::to_string(process.processId()) + "/exe", ec).string();
  }
  process.kill();
  process.waitForFinished(10000);
  return exe;
}

FailingOpener::FailingOpener(bool held) : folder_(makeTemporaryFolder("mvopener")), path_("PATH", folder_) {
  const std::string script = folder_ + "/xdg-open";
  std::ofstream out(script, std::ios::binary);
  out << "#!/bin/sh\n"
         ": > '" << folder_ << "/started'\n"
         "i=0\n"
         "while [ -e '" << folder_ << "/held' ] && [ $i -lt 600 ]; do /bin/sleep 0.05; i=$((i+1)); done\n"
         "exit 3\n";
  out.close();
  fs::permissions(script, fs::perms::owner_all);
  if (held) std::ofstream(folder_ + "/held").close();
}

FailingOpener::~FailingOpener() {
  release();
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

void FailingOpener::release() const {
  std::error_code ec;
  fs::remove(folder_ + "/held", ec);
}

bool FailingOpener::started() const { return fs::exists(folder_ + "/started"); }

bool processEventsUntil(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

TemporaryConfigHome::TemporaryConfigHome()
    : path_(makeTemporaryFolder("mvconfig")), variable_("XDG_CONFIG_HOME", path_) {}

TemporaryConfigHome::~TemporaryConfigHome() {
  std::error_code ec;
  for (auto& e : fs::recursive_directory_iterator(path_, ec))
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

EnvironmentVariable::EnvironmentVariable(const char* name, const std::string& value) : name_(name) {
  const char* saved = std::getenv(name);
  saved_ = saved ? saved : "";
  setenv(name, value.c_str(), 1);
}

EnvironmentVariable::~EnvironmentVariable() { setenv(name_, saved_.c_str(), 1); }

}  // namespace mvtest
