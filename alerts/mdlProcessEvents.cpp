#include "alerts/mdlProcessEvents.h"

#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/VBRuntime.h"
#include "core/mdlFileProperty.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"

namespace mv {

namespace {

// The process list counts its elements in 16 bits.
constexpr long kMaxProcesses = 32767;

long processIndex(const std::string& pid) {
  for (std::size_t i = 1; i < arrProcessList.size(); ++i)
    if (SameText(arrProcessList[i].PID, pid)) return static_cast<long>(i);
  return 0;
}

long appendProcess(const std::string& pid, const std::string& path) {
  if (static_cast<long>(arrProcessList.size()) - 1 >= kMaxProcesses) RaiseError(errOverflow);
  arrProcessList.push_back(tProcessRecord{pid, path, 0});
  return static_cast<long>(arrProcessList.size()) - 1;
}

// The right an answered access request is about: zone 1 Trusted, 2
// Internet; request 1 server, 2 access. 0 for any other pair.
int requestedRight(std::int32_t zone, std::int32_t request) {
  if (request == 2 && zone == 1) return RightAccessTrusted;
  if (request == 2 && zone == 2) return RightAccessInternet;
  if (request == 1 && zone == 1) return RightServerTrusted;
  if (request == 1 && zone == 2) return RightServerInternet;
  return 0;
}

// The 1-based position of the first entry whose field equals `text`,
// ignoring case; 0 when none.
template <class List, class Entry>
long positionOf(const List& list, std::string Entry::*field, const std::string& text) {
  long position = 0;
  for (const auto& entry : list) {
    ++position;
    if (SameText((*entry).*field, text)) return position;
  }
  return 0;
}

bool definedAnswer(std::int32_t answer) { return answer >= AnswerAllow && answer <= AnswerBlock; }

}  // namespace

int AddInProcssList(const std::string& pid, const std::string& path) {
  ErrorBoundary("AddInProcssList of Module mdlAlertsAndLogs", [&] {
    if (processIndex(pid) == 0) appendProcess(pid, path);
  });
  return 0;
}

std::string getProcessName(const std::string& pid) {
  return ErrorBoundary("getProcessName of Module mdlAlertsAndLogs", std::string(), [&] {
    long i = processIndex(pid);
    return i == 0 ? std::string() : arrProcessList[static_cast<std::size_t>(i)].ProgramPath;
  });
}

std::int16_t IsPIDExist(const std::string& pid, const std::string& path, bool add) {
  return ErrorBoundary("IsPIDExist of Module mdlAlertsAndLogs", std::int16_t{0}, [&] {
    long i = processIndex(pid);
    if (i == 0 && add) i = appendProcess(pid, path);
    return CInt(static_cast<double>(i));
  });
}

std::string RemoveFromProcssList(const std::string& pid, const std::string& path) {
  std::string result = "0";
  ErrorBoundary("RemoveFromProcssList of Module mdlAlertsAndLogs", [&] {
    long i = processIndex(pid);
    if (i == 0) {
      result = "-2";
    } else {
      result = CheckIn_ListExist_byPath(path) != 0 ? path : "0";
      arrProcessList.erase(arrProcessList.begin() + i);
    }
    for (std::size_t k = 1; k < arrProcessList.size(); ++k)
      if (SameText(arrProcessList[k].ProgramPath, path)) result = "-1";
  });
  return result;
}

void ActivateProgram(const std::string& path) {
  ErrorBoundary("ActivateProgram of Module mdlAlertsAndLogs", [&] {
    std::string key = LCase(path);
    if (CheckIn_ListExist_byPath(key) == 0) return;
    clsProgramList& program = *colProgramList.Item(key);
    if (program.Active) return;
    hooks::Call(hooks::ProgramRowActive, key, true);
    program.Active = true;
  });
}

void DeActivateProgram(const std::string& path) {
  ErrorBoundary("DeActivateProgram of Module mdlAlertsAndLogs", [&] {
    std::string key = LCase(path);
    if (CheckIn_ListExist_byPath(key) == 0) return;
    colProgramList.Item(key)->Active = false;
    hooks::Call(hooks::ProgramRowActive, key, false);
  });
}

long CheckIn_ListExist_byName(const std::string& name) {
  return positionOf(colProgramList, &clsProgramList::ProgramName, name);
}

long CheckIn_ListExist_byPath(const std::string& path) { return positionOf(colProgramList, &clsProgramList::Path, path); }

long CheckIn_ComponentListExist(const std::string& path) {
  return positionOf(colComponentList, &clsComponentList::Path, path);
}

// ---------------------------------------------------------------------------
// Event handlers. Their failures reach the reader, which logs them.

void ProcessStartEvent(const tEventRecord& record) {
  AddInProcssList(record.Text1, record.ProgramPath);
  getFileProperty(record.ProgramPath);
  const FileInfoRec info = tblFileInfo;
  if (CheckIn_ListExist_byName(info.FileDescription) != 0 && IsPIDExist(record.Text1, record.ProgramPath, true) > 0)
    ActivateProgram(info.FullPath);
}

void ProcessEndEvent(const tEventRecord& record) {
  // The path stored for the process, not the one in the line.
  const std::string path = getProcessName(record.Text1);
  const std::string result = RemoveFromProcssList(record.Text1, path);
  if (result != "0" && result != "-1" && result != "-2") DeActivateProgram(result);
}

void ProcessModuleEvent(const tEventRecord& record) { AddComponentToINI(record.ProgramPath, record.Number1); }

void ProcessAccessEvent(const tEventRecord& record) {
  getFileProperty(record.ProgramPath);
  const FileInfoRec info = tblFileInfo;
  const std::int16_t index = IsPIDExist(record.Text1, record.ProgramPath, true);
  const long position = CheckIn_ListExist_byName(info.FileDescription);
  // Only the four zone and request pairs and the three answers are defined:
  // any other line changes no right.
  const int right = requestedRight(record.Number3, record.Number4);
  if (index <= 0 || right == 0 || !definedAnswer(record.Number2)) return;
  int answer = record.Number2;
  setDefaultAccessRule(right, answer, position);
  const auto& r = bytProgramRights;
  if (position != 0) {
    UpdateProgramList(info.FullPath, r[0], r[1], r[2], r[3]);
  } else if (CheckIn_ListExist_byPath(record.ProgramPath) == 0) {
    AddProgramControlToINI(info.FileDescription, r[0], r[1], r[2], r[3]);
    LoadCurrentProgramList(info.FullPath);
    ActivateProgram(info.FullPath);
    arrProcessList[static_cast<std::size_t>(index)].Active = -1;
  }
}

}  // namespace mv
