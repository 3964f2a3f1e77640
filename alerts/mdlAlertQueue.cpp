#include "alerts/mdlAlertQueue.h"

#include "alerts/mdlAlertsAndLogs.h"
#include "alerts/mdlEventGlobals.h"
#include "alerts/mdlProcessEvents.h"
#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlMain.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/ProfileText.h"
#include "programs/mdlProgramControl.h"
#include "rules/mdlDefineRules.h"

namespace mv {

namespace {

const std::string kLogKey = "KXN 4718";
const std::string kLineEnd = "\r\n";

std::string todayText() { return FormatDate(Today(), "yyyy/mm/dd"); }

// "Blocked" while all traffic is stopped, else "Protected".
std::string protectedOrBlocked() { return AlertLabelText(blnNetworkStopped ? LabelBlocked : LabelProtected); }

void appendOrFail(const std::string& path, const std::string& bytes) {
  if (!platform::appendToFile(path, bytes))
    throw RuntimeError(errInvalidCall, "Path/File access error (" + path + ")");
}

// The plain log goes to "Logs" under the program folder when the folder of
// its path is missing.
void makeSureOfLogFolder() {
  const std::string folder = platform::folderPart(strLogPath);
  if (!folder.empty() && platform::folderExists(folder)) return;
  std::string logs = AppPath() + "\\Logs";
  if (!platform::folderExists(logs)) platform::makeFolder(logs);
  strLogPath = platform::sameNameIn(logs, strLogPath);
}

// Removes the newest alert (the queue keeps its empty element 0).
void dropNewest() {
  if (arrAlertQueue.size() > 1) arrAlertQueue.pop_back();
  else arrAlertQueue.assign(1, tAlertRecord{});
}

}  // namespace

void AddLineInQTRLog(const std::vector<tAlertRecord>& queue) {
  ErrorBoundary("AddLineInQTRLog of Module mdlAlertsAndLogs", [&] {
    if (!blnQTRLogWritable) return;
    std::string lines;
    for (const tAlertRecord& a : queue)
      if (!a.DupKey.empty()) lines += QtrLogFileLine(a.QtrLine + "," + std::to_string(a.Count)) + kLineEnd;
    appendOrFail(strQTRLogFile, lines);
    platform::pumpEvents();
  });
}

void AddLineInBegin(const std::vector<tAlertRecord>& queue) {
  ErrorBoundary("AddLineInBegin of Module mdlAlertsAndLogs", [&] {
    if (!blnLogFileWritable) return;
    makeSureOfLogFolder();
    std::string lines;
    for (const tAlertRecord& a : queue)
      if (!a.PlainLine.empty()) lines += a.PlainLine + kLineEnd;
    appendOrFail(strLogPath, lines);
  });
}

std::string AlertLabelText(int label) {
  if (label < 0 || static_cast<std::size_t>(label) >= arrAlertLabels.size()) return "";
  return arrAlertLabels[static_cast<std::size_t>(label)];
}

std::string leftComapreStr(const tEventRecord& record) {
  std::string source = record.SourceIP.substr(0, record.SourceIP.find(':'));
  std::string head = std::to_string(record.Action) + std::to_string(record.Protocol);
  if (record.Direction == 0) return head + "0" + record.DestIP;
  if (record.Direction == 1) return head + "1" + source + record.DestIP;
  return "";
}

long FindInCollection(const Collection<std::string>& collection, const std::string& text) {
  return ErrorBoundary("FindInCollection of Module mdlAlertsAndLogs", -1L, [&] {
    long position = 0;
    for (const auto& item : collection) {
      ++position;
      if (SameText(item, text)) return position;
    }
    return -1L;
  });
}

bool IsAlertQueued(const tEventRecord& record) {
  const std::string key = leftComapreStr(record);
  // Element 0 holds no alert: it never matches.
  for (std::size_t i = 1; i < arrAlertQueue.size(); ++i) {
    tAlertRecord& alert = arrAlertQueue[i];
    if (leftComapreStr(alert.Event) != key) continue;
    alert.Count = CLng(static_cast<double>(alert.Count) + 1);
    showAlerts();
    return true;
  }
  return false;
}

void addInLog(tAlertRecord& a, int column, const std::string& value, std::string& plainLine, std::string& qtrLine) {
  ErrorBoundary("addInLog of Module mdlAlertsAndLogs", [&] {
    const std::string& sep = strLogSeparator;
    auto extend = [&](std::string& field) {
      field = value;
      plainLine += value + sep;
      qtrLine += value + ",";
    };
    switch (column) {
      case 0: {
        double serial = 0;
        if (!TextToDate(value, serial)) RaiseError(errTypeMismatch);
        a.AlertDate = static_cast<double>(static_cast<long long>(serial));
        break;
      }
      case 1: {
        double serial = 0;
        if (!TextToDate(value, serial)) RaiseError(errTypeMismatch);
        a.AlertTime = serial - static_cast<double>(static_cast<long long>(serial));
        plainLine = todayText() + sep + value + sep;
        qtrLine = todayText() + " " + value + ",";
        break;
      }
      case 2: extend(a.Column2); break;
      case 3: extend(a.Column3); break;
      case 4: extend(a.Column4); break;
      case 5: extend(a.Column5); break;
      case 6: extend(a.Column6); break;
      case 7: extend(a.Column7); break;
      case 8: extend(a.Column8); break;
      case 9:
        // The level goes in front of the line.
        a.Level = value;
        plainLine = value + sep + plainLine;
        qtrLine = value + "," + qtrLine;
        break;
      case 13: a.Column13 = value; break;
      case 14: a.PlainLine = value; break;
      case 15: a.QtrLine = value; break;
      default: break;
    }
  });
}

void SetAlertProtocol(tEventRecord& record, tAlertRecord& alert, std::string& plainLine, std::string& qtrLine) {
  std::string text;
  switch (record.Protocol) {
    case 0: text = "TCP"; break;
    case 1: text = "UDP"; break;
    case 2: text = "ICMP (Type = " + record.ProgramPath + ")"; break;
    case 3: text = "IGMP"; break;
    default: break;
  }
  if (record.Protocol == 2 || record.Protocol == 3) {
    record.Text2 = protectedOrBlocked();
    record.ProgramPath.clear();
  }
  addInLog(alert, 6, text, plainLine, qtrLine);
}

void SetAlertProgram(tEventRecord& record, tAlertRecord& alert, std::string& plainLine, std::string& qtrLine) {
  const std::string path = record.ProgramPath;
  if (path.empty() || path == "System") {
    record.ProgramPath.clear();
    record.Text2 = protectedOrBlocked();
    addInLog(alert, 5, "", plainLine, qtrLine);
    return;
  }
  if (ControlLevel == 0 || blnNetworkStopped) {
    record.Text2 = protectedOrBlocked();
    addInLog(alert, 5, path, plainLine, qtrLine);
    return;
  }
  getFileProperty(path);
  const FileInfoRec info = tblFileInfo;
  // Counted under the program's display name.
  record.ProgramPath = info.FileDescription;
  if (CheckIn_ListExist_byName(info.FileDescription) != 0) {
    record.Text2 = AlertLabelText(LabelRepeatProgram);
    if (IsPIDExist(record.Text1, path, false) > 0) ActivateProgram(info.FullPath);
    addInLog(alert, 13, record.Text1, plainLine, qtrLine);
  } else if (CheckIn_ListExist_byPath(path) == 0) {
    record.Text2 = AlertLabelText(LabelNewProgram);
    AddProgramControlToINI(info.FileDescription, DefaultRight, DefaultRight, DefaultRight, DefaultRight);
    LoadCurrentProgramList(info.FullPath);
    std::int16_t index = IsPIDExist(record.Text1, path, false);
    if (index > 0) {
      ActivateProgram(info.FullPath);
      arrProcessList[static_cast<std::size_t>(index)].Active = -1;
    }
    addInLog(alert, 13, record.Text1, plainLine, qtrLine);
  }
  addInLog(alert, 5, info.FileDescription, plainLine, qtrLine);
}

void ProcessPacketEvent(tEventRecord record, const std::string& line) {
  const bool candidate =
      record.Action == 1 || (record.Action == 0 && !record.ProgramPath.empty() && record.ProgramPath != "System");
  if (candidate && FindInCollection(colDoNotShowAlerts, leftComapreStr(record)) == -1 && !IsAlertQueued(record)) {
    // The alert joins the queue once it is complete: adding its program lets
    // window events run, and the pop-up may write and empty the queue then.
    tAlertRecord alert;
    alert.DupKey = line;
    alert.Count = 1;
    alert.Event = record;
    std::string plain, qtr;
    addInLog(alert, 0, DateToText(DateSerial(Today())), plain, qtr);
    addInLog(alert, 1, DateToText(record.EventDate), plain, qtr);
    if (record.Action == 0) {
      addInLog(alert, 8, "Allow", plain, qtr);
    } else if (record.Action == 1) {
      addInLog(alert, 8, "Deny", plain, qtr);
      blnSkipNextAlert = ShowAlertOnInternetAccess ? 0 : -1;
    }
    SetAlertProtocol(record, alert, plain, qtr);
    if (record.Direction == 0) addInLog(alert, 4, "Incoming", plain, qtr);
    else if (record.Direction == 1) addInLog(alert, 4, "Outgoing", plain, qtr);
    addInLog(alert, 2, record.SourceIP, plain, qtr);
    addInLog(alert, 3, record.DestIP, plain, qtr);
    SetAlertProgram(record, alert, plain, qtr);
    addInLog(alert, 7, record.Text2, plain, qtr);
    if (record.Level == 0) addInLog(alert, 9, "High", plain, qtr);
    else if (record.Level == 1) addInLog(alert, 9, "Medium", plain, qtr);
    plain += record.SourcePort + strLogSeparator + record.DestPort;
    qtr += record.SourcePort + "," + record.DestPort;
    addInLog(alert, 14, plain, plain, qtr);
    addInLog(alert, 15, qtr, plain, qtr);
    arrAlertQueue.push_back(std::move(alert));
  }
  if (AlertEvent) DisplayAlert();
  else FlushAlertQueue();
  // The path field of an ICMP or IGMP event names no program, queued or not.
  if (record.Protocol == 2 || record.Protocol == 3) record.ProgramPath.clear();
  AddInAlertSummary(record.ProgramPath, CByte(record.Direction), CByte(record.Action));
}

void DisplayAlert() {
  ErrorBoundary("DisplayAlert of Module mdlAlertsAndLogs", [&] {
    const tAlertRecord& newest = arrAlertQueue.back();
    const std::string status = LCase(newest.Column7);
    if (status == LCase(AlertLabelText(LabelProtected)) || status == LCase(AlertLabelText(LabelBlocked))) {
      showAlerts();
      return;
    }
    // Alerts that do not pop up are logged at once, when logging is on.
    if (ProgramLog != 0) {
      const std::string qtr = newest.QtrLine, plain = newest.PlainLine;
      AddSingleLineInLog(qtr);
      AddSingleLineInBegin(plain);
    }
    dropNewest();
  });
}

void showAlerts() {
  ErrorBoundary("showAlerts of mdlAlertsAndLogs", [&] {
    if (blnSkipNextAlert) {
      blnSkipNextAlert = 0;
      return;
    }
    // The pop-up shows itself or refreshes its "n of m"; the flag follows
    // whether it is really up.
    if (AlertEvent) blnAlertShowing = hooks::Ask(hooks::ShowAlertPopup, false) ? -1 : 0;
  });
}

void FlushAlertQueue() {
  // The queue is taken as it stands: an alert that arrives while the logs
  // are written (the writers let window events run) starts a new queue.
  std::vector<tAlertRecord> queue(1);
  queue.swap(arrAlertQueue);
  if (ProgramLog == 0) return;
  AddLineInBegin(queue);
  AddLineInQTRLog(queue);
}

void AddSingleLineInLog(const std::string& qtrLine) {
  ErrorBoundary("AddSingleLineInLog of Module mdlAlertsAndLogs", [&] {
    if (qtrLine.empty()) return;
    appendOrFail(strQTRLogFile, QtrLogFileLine(qtrLine + ",1") + kLineEnd);
    platform::pumpEvents();
  });
}

void AddSingleLineInBegin(const std::string& plainLine) {
  ErrorBoundary("AddSingleLineInBegin of Module mdlAlertsAndLogs", [&] {
    if (plainLine.empty()) return;
    makeSureOfLogFolder();
    appendOrFail(strLogPath, plainLine + kLineEnd);
  });
}

std::string QtrLogFileLine(const std::string& text) { return platform::percentEncode(EncryptString(text, kLogKey), "\r\n"); }

std::string QtrLogLineText(const std::string& fileLine) {
  return DecryptString(platform::percentDecode(fileLine), kLogKey);
}

void ResetAlertQueueGlobals() {
  arrAlertQueue.assign(1, tAlertRecord{});
  blnAlertShowing = 0;
  blnSkipNextAlert = 0;
}

}  // namespace mv
