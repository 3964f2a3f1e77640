// Start-up of the front end: one instance, paths, settings-file repair, the
// settings of every subsystem, the detected networks, the rule file and the
// engine, the alert logs, the main window and the hidden timer form.
#include <cmath>

#include "alerts/frmTimeTemp.h"
#include "alerts/mdlAlertsAndLogs.h"
#include "alerts/mdlEventGlobals.h"
#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/MDIMain.h"
#include "core/Registry.h"
#include "core/SettingsKeys.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "programs/mdlProgramControl.h"
#include "rules/mdlDefineRules.h"
#include "rules/EngineState.h"
#include "rules/mdlRules.h"
#include "zones/ZoneLevels.h"
#include "zones/mdlActiveNetwork.h"
#include "zones/mdlMain.h"
#include "zones/mdlZoneEntry.h"

namespace mv {

namespace {

const char* const kInitAllPath = "InitAllPath of mdlAlertsAndLogs";

// One setting of InitAllPath. A value that does not fit its type is logged
// and taken as 0 for that key only, so loading goes on with the next one.
std::string text(const std::string& file, const std::string& key, const std::string& section = keys::Main) {
  return ReadINI(section, key, "", file, true);
}
template <class Convert>
auto number(const std::string& file, const std::string& key, Convert convert, const std::string& section = keys::Main)
    -> decltype(convert(0.0)) {
  try {
    return convert(Val(text(file, key, section)));
  } catch (const RuntimeError& e) {
    WriteErrorLog(std::string(e.what()) + " ([" + section + "] " + key + ")", kInitAllPath);
    return {};
  }
}
std::uint8_t byteOf(const std::string& file, const std::string& key) {
  return number(file, key, [](double v) { return CByte(v); });
}
bool flagOf(const std::string& file, const std::string& key, const std::string& section = keys::Main) {
  return number(file, key, [](double v) { return v != 0; }, section);
}
std::int16_t intOf(const std::string& file, const std::string& key, const std::string& section = keys::Main) {
  return number(file, key, [](double v) { return CInt(v); }, section);
}

void tellReadOnly(const std::string& path) {
  platform::MsgBox("A file " + platform::resolvePath(path) +
                       " is read only.\r\nPlease change the file attribute and restart the application.",
                   platform::vbCritical, AppTitle);
}

// A read-only alert log is reported and not written this run.
int writableFlag(const std::string& path) {
  if (GetFileAttrib(path) != 1) return 1;
  tellReadOnly(path);
  return 0;
}

// The networks of the last start make way for the ones detected now, in
// both tables as one change. When a table cannot be written both keep the
// last start's networks, so that the page lists the networks the rules
// trust, and the user is told.
void renewDetectedNetworks() {
  const bool stored = StoreTogether([] {
    for (int i = 1; i <= 5; ++i)
      if (!DeleteRowSection(Database_SubnetSetting, FormatNumber(i, "0000")) ||
          !DeleteRowSection(Database_IPAddress, FormatNumber(i, "0000")))
        return false;
    DetectActiveNetwork();
    return true;
  });
  if (stored) return;
  const std::string& file = LastFailedWriteFile();
  if (GetFileAttrib(file) == 1)
    tellReadOnly(file);
  else
    TellNotSaved("The detected networks", file);
}

}  // namespace

void initPath() {
  ErrorBoundary("initPath of mdlMain", [&] {
    SetPathGlobals();
    RequirePellworth();
    if (!platform::folderExists(strProfilePath)) platform::makeFolder(strProfilePath);
  });
}

bool EndOnSignal(int) {
  // A shut-down under way ends the program anyway.
  if (blnShuttingDown) return true;
  // An Apply, Lock or Stop under way finishes first; the signal waits.
  if (blnApplying) return false;
  // Whoever may signal the process owns it: no password is asked.
  ShutDownProgram();
}

void RemoveStaleTemporaryFiles() {
  // Every folder of the program folder's tree; outside it, only the logs'
  // own temporary files, since the other files beside a log are the user's.
  platform::removeStaleTemporaryFilesBelow(AppPath() + "\\");
  for (const std::string& log : {strLogPath, strQTRLogFile})
    if (!log.empty()) platform::removeStaleTemporaryFilesOf(log);
}

void InitAllPath() {
  try {
    const std::string& AL = strAlertsSettingFile;
    const std::string& PM = strProgramMainFile;
    strLogPath = text(AL, keys::Path);
    if (strLogPath == "logs\\Alertlog.txt") {
      strLogPath = AppPath() + "\\" + strLogPath;
      // The relative default names the same file; when the full path cannot
      // be stored (logged) it is made again at the next start.
      static_cast<void>(WriteINI(keys::Main, keys::Path, strLogPath, AL, true));
    }
    strLogSeparator = LogSeparatorOf(Val(text(AL, keys::LogSeparation)));
    LockMode = flagOf(PM, keys::LockMode, keys::AutoLock);
    LockInterval = intOf(PM, keys::LockInterval, keys::AutoLock);
    EngagesMode = flagOf(PM, keys::EngagesMode, keys::AutoLock);
    arrProcessList.assign(1, tProcessRecord{});
    initConstantPortList();
    AlertEvent = byteOf(AL, keys::AlertEvent);
    ProgramLog = byteOf(AL, keys::ProgramLog);
    SystemTray = byteOf(AL, keys::SystemTray);
    blnLoadOnStartup = flagOf(AL, keys::LoadOnStartup);
    blnHideOnStartup = flagOf(AL, keys::HideOnStartup);
    // Written again at every start, so a copied or moved program folder
    // starts itself; an entry that cannot be written is told, as a tick is.
    if (blnLoadOnStartup) {
      const std::string notWritten = SetRunAtStartup(true);
      if (!notWritten.empty()) TellNotSaved("The setting \"" + RunAtStartupCaption() + "\"", notWritten);
    }
    strPassword = getPassword();
    DefaultAccessTrusted = byteOf(PM, keys::DefaultAccessTrusted);
    DefaultAccessInternet = byteOf(PM, keys::DefaultAccessInternet);
    DefaultServerTrusted = byteOf(PM, keys::DefaultServerTrusted);
    DefaultServerInternet = byteOf(PM, keys::DefaultServerInternet);
    ShowAlertOnInternetAccess = flagOf(PM, keys::ShowAlertOnInternetAccess);
    DenyAccessOnAsk = flagOf(PM, keys::DenyAccessOnAsk);
    RequiredAdminRites = flagOf(PM, keys::RequiredAdminRites);
    AutomaticLock = flagOf(PM, keys::AutomaticLock);
    AlertOn = flagOf(AL, keys::AlertOn);
    AlertDay = byteOf(AL, keys::AlertDay);
    LastArchiveDate = text(AL, keys::LastArchiveDate);
    AlertDays = intOf(AL, keys::AlertDays);
    ArchiveLogAtStartup();
    ControlLevel = byteOf(PM, keys::ControlLevel);
    EraseExceptFileFromContainFolder(strEngineLogPath + FormatDate(Today(), "yyyymmdd") + ".log");
    LoadAlertSummary();
    arrAlertLabels = {"Protected", "New Program", "Repeat Program", "Server Program", "Access Program", "Blocked"};
  } catch (const std::exception& e) {
    WriteErrorLog(e, kInitAllPath);
  }
}

bool openLogFiles() {
  try {
    if (!platform::fileExists(strLogPath)) {
      std::string logs = AppPath() + "\\Logs";
      if (!platform::folderExists(logs)) platform::makeFolder(logs);
      strLogPath = platform::sameNameIn(logs, strLogPath);
      generateBlankFile(strLogPath);
    }
    blnLogFileWritable = writableFlag(strLogPath);
    if (!platform::fileExists(strQTRLogFile)) generateBlankFile(strQTRLogFile);
    blnQTRLogWritable = writableFlag(strQTRLogFile);
    return true;
  } catch (const std::exception& e) {
    WriteErrorLog(e, "openLogFiles of mdlMain");
    return false;
  }
}

void Main() {
  try {
    if (!platform::acquireSingleInstance(AppEXEName)) return;
    platform::onTerminationSignal(EndOnSignal);
    initPath();
    FinishPendingChange();
    InitTableNames();
    bool repaired = checkIsMorvantisCorrupted();
    InitAllPath();
    InitProgramControl();
    ReadZoneSettings();
    // What a hand-edited file or an older version left between the entries
    // and their address rows is mended before the rules are built from the
    // rows; the detected networks' rows then go last, as at every start.
    ReconcileZoneAddresses();
    renewDetectedNetworks();
    if (repaired) {
      // The rules of damaged settings cannot be trusted: all traffic is
      // locked until the user applies settings again. Where the lock could
      // not be put in place (told already), it is not said to be.
      const bool locked = LoadBlockingRules(true);
      if (locked) SetEngineState(EngineState::Locked);
      platform::MsgBox(std::string(locked ? "Internet is locked.\r\n" : "") +
                           "Application setting has been corrupted.\r\nPlease redefine the settings.",
                       platform::vbCritical, AppTitle);
    } else {
      LoadBlockingRules(false);
    }
    if (!openLogFiles()) platform::EndProgram();
    RemoveStaleTemporaryFiles();
    // Without a tray icon to bring it back, the window is shown whatever the
    // hide setting says.
    if (!blnHideOnStartup || !SystemTrayAvailable()) MDIMainForm();
    blnStarted = true;
    LoadTimerForm();
  } catch (const std::exception& e) {
    WriteErrorLog(e, "Main of Module mdlMain");
    // Without this the program would end with nothing shown.
    if (!blnStarted)
      platform::MsgBox(AppTitle + " could not start.\r\nThe reason is written to Err.log in the program folder.",
                       platform::vbCritical, AppTitle);
  }
}

}  // namespace mv
