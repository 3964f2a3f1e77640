#include "alerts/mdlAlertsAndLogs.h"

#include <array>

#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"

#include <exception>
#include <utility>
#include <vector>

#include "core/SettingsKeys.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/QtText.h"
#include "programs/mdlProgramControl.h"
#include "zones/ZoneLevels.h"

namespace mv {

void ResetAlertsAndLogsGlobals() {
  strLogPath.clear();
  strLogSeparator.clear();
  AlertEvent = ProgramLog = SystemTray = 0;
  blnLoadOnStartup = blnHideOnStartup = false;
  AlertOn = false;
  AlertDay = 0;
  AlertDays = 0;
  LastArchiveDate.clear();
  IPrograms = IAllows = IBlocked = OPrograms = OAllows = OBlocked = 0;
  colDoNotShowAlerts.Clear();
  colPortNames.Clear();
  colICMPTypeNames.Clear();
}

namespace {

const std::string MainSection = keys::Main;
const std::string ArchiveDateFormat = "dd-mm-yyyy";

// A stored counter; a value that cannot be read counts 0.
double counterValue(const std::string& stored) {
  try {
    return Val(stored);
  } catch (const RuntimeError&) {
    return 0;
  }
}

// Archiving runs in the background with no one to tell: a value that cannot
// be stored is logged by the store, memory keeps the new one so that the same
// archive is not made again in this run.
void writeArchiveSetting(const std::string& key, const std::string& value) {
  static_cast<void>(WriteINI(MainSection, key, value, strAlertsSettingFile, true));
}

// Archives the log (DoArchiveLogFile) once today's date is stored. An
// archive whose date the file lacks would be made again at the next start,
// over this one on the same day, and the alerts archived now would be lost:
// with a date that cannot be stored, no archive is made. Not archived, the
// stored date is put back. Either way none is tried again in this run, so
// the read timer does not try it at every tick (memory takes the date; the
// next start tries again). The archive's name; "" when none was made.
std::string archiveWithDate(const Date& today) {
  const std::string date = FormatDate(today, ArchiveDateFormat);
  if (!WriteINI(MainSection, keys::LastArchiveDate, date, strAlertsSettingFile, true)) {
    LastArchiveDate = date;
    return "";
  }
  const std::string name = DoArchiveLogFile();
  if (name.empty()) writeArchiveSetting(keys::LastArchiveDate, LastArchiveDate);
  LastArchiveDate = date;
  return name;
}

// True when archiving is on and more than AlertDays days lie between the last
// archive and today.
bool archiveDue(const Date& today) {
  Date last;
  if (AlertDay != 1 || !ParseDateDMY(LastArchiveDate, last)) return false;
  return DateDiffDays(last, today) > AlertDays;
}

// An engine daily log is named "yyyymmdd.log" or "yyyymmddi.log". Gives its
// date as "yyyymmdd".
std::optional<std::string> engineLogDate(const std::string& name) {
  std::string lower = LCase(name);
  if (lower.size() == 13 && lower[8] == 'i')
    lower.erase(8, 1);
  if (lower.size() != 12 || lower.compare(8, 4, ".log") != 0) return std::nullopt;
  for (size_t i = 0; i < 8; ++i)
    if (lower[i] < '0' || lower[i] > '9') return std::nullopt;
  Date d{std::stoi(lower.substr(0, 4)), std::stoi(lower.substr(4, 2)), std::stoi(lower.substr(6, 2))};
  if (!IsValidDate(d)) return std::nullopt;
  return lower.substr(0, 8);
}

}  // namespace

std::string LogSeparatorOf(double separation) {
  if (separation == 2) return "\t";
  if (separation == 3) return ";";
  return ",";
}

// ---------------------------------------------------------------------------
// Summary counters.

void LoadAlertSummary() {
  const std::pair<const char*, double*> readOrder[] = {{"IAllows", &IAllows},   {"IPrograms", &IPrograms},
                                                       {"IBlocked", &IBlocked}, {"OAllows", &OAllows},
                                                       {"OBlocked", &OBlocked}, {"OPrograms", &OPrograms}};
  for (const auto& [key, counter] : readOrder)
    *counter = counterValue(ReadINI(MainSection, key, "0", strAlertsSettingFile, true));
}

bool SaveAlertSummary() {
  const std::pair<const char*, double> writeOrder[] = {{"IAllows", IAllows},     {"IBlocked", IBlocked},
                                                       {"IPrograms", IPrograms}, {"OAllows", OAllows},
                                                       {"OBlocked", OBlocked},   {"OPrograms", OPrograms}};
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& [key, counter] : writeOrder) pairs.emplace_back(key, Str(counter));
  // One write of the file for the six counters (a failure is logged).
  const bool written = WriteINIKeys(MainSection, pairs, strAlertsSettingFile, true);
  RefreshSummaryView();
  return written;
}

void AddInAlertSummary(const std::string& path, std::uint8_t direction, std::uint8_t action) {
  if (path.empty() || SameText(path, "System")) return;
  if (direction == 0) {
    IPrograms += 1;
    if (action == 0) IAllows += 1;
    if (action == 1) IBlocked += 1;
  } else if (direction == 1) {
    OPrograms += 1;
    if (action == 0) OAllows += 1;
    if (action == 1) OBlocked += 1;
  }
  // Counting goes on without anyone to tell: counters that cannot be
  // stored now are written again with the next event.
  static_cast<void>(SaveAlertSummary());
}

void RefreshSummaryView() {
  hooks::Call(hooks::SettingsCounters, std::array<std::string, 6>{Str(OPrograms), Str(OAllows), Str(OBlocked),
                                                                   Str(IPrograms), Str(IAllows), Str(IBlocked)});
}

std::optional<std::string> ZoneLevelText(long level) {
  switch (level) {
    case 1: return "Low";
    case 2: return "Medium";
    case 3: return "High";
    default: return std::nullopt;
  }
}

std::optional<std::string> ControlLevelText(int level) {
  if (level == 0) return "Off";
  return ZoneLevelText(level);
}

std::string AutomaticLockText(bool on) { return on ? "On" : "Off"; }

void showProgramSummary() {
  hooks::Call(hooks::SettingsProgramSummary, ZoneLevelText(intInternetZoneLevel), ZoneLevelText(intTrustedZoneLevel),
              ControlLevelText(ControlLevel), AutomaticLockText(AutomaticLock));
}

// ---------------------------------------------------------------------------
// Archiving and clean-up.

bool CopyAnyFile(const std::string& source, const std::string& destination) {
  return platform::copyFile(source, destination);
}

// As on Windows, a read-only file is not deleted.
bool DeleteAnyFile(const std::string& path) { return !platform::isReadOnlyFile(path) && platform::deleteFile(path); }

std::string ArchiveFolder() { return AppPath() + "\\Backup"; }

std::string DoArchiveLogFile() {
  const char* const where = "DoArchiveLogFile of Module mdlAlertsAndLogs";
  return ErrorBoundary(where, std::string(), [&]() -> std::string {
    std::string folder = ArchiveFolder();
    if (!platform::folderExists(folder) && !platform::makeFolder(folder))
      throw RuntimeError(errInvalidCall, "Path/File access error (" + folder + ")");
    std::string name = folder + "\\" + FormatDate(Today(), ArchiveDateFormat) + ".txt";
    if (!CopyAnyFile(strLogPath, name)) return "";
    // The archive holds the lines now. A log that cannot be emptied
    // (read-only) keeps them as well, and they go into the next archive too.
    if (!platform::writeFileAtomic(strLogPath, std::string()))
      WriteErrorLog("Path/File access error (" + strLogPath + ")", where);
    return name;
  });
}

void ArchiveLogAtStartup() {
  if (!SetArchiveDateWhenMissing()) ArchiveLogWhenDue();
}

bool SetArchiveDateWhenMissing() {
  Date last;
  if (ParseDateDMY(LastArchiveDate, last)) return false;
  // Today is the day of the last archive, in memory and in the file.
  LastArchiveDate = FormatDate(Today(), ArchiveDateFormat);
  writeArchiveSetting(keys::LastArchiveDate, LastArchiveDate);
  return true;
}

void ArchiveLogWhenDue() {
  Date today = Today();
  // A missing log has nothing to archive: it is looked at again later, with
  // nothing written meanwhile.
  if (!archiveDue(today) || !platform::fileExists(strLogPath)) return;
  const std::string name = archiveWithDate(today);
  if (!name.empty()) writeArchiveSetting(keys::LastArchiveFile, name);
}

void EraseExceptFileFromContainFolder(const std::string& path) {
  std::string folder = platform::folderPart(path);
  std::string today = FormatDate(Today(), "yyyymmdd");
  // A missing folder lists no file.
  for (const auto& name : platform::listFiles(folder)) {
    auto day = engineLogDate(name);
    if (day && *day < today) DeleteAnyFile(folder + name);
  }
}

// ---------------------------------------------------------------------------
// Port and ICMP type names.

void initConstantPortList() {
  colPortNames.Clear();
  colICMPTypeNames.Clear();
  static const std::pair<const char*, const char*> ports[] = {
      {"21", "FTP"},           {"23", "TELNET"},       {"25", "SMTP"},          {"37", "TIME"},
      {"53", "DNS"},           {"79", "FINGER"},       {"80", "HTTP"},          {"110", "POP3"},
      {"119", "NNTP"},         {"20", "FTP-Data"},     {"22", "SSH"},           {"69", "TFTP"},
      {"70", "GOPHER"},        {"109", "POP2"},        {"115", "SFTP"},         {"137", "NetBios Name"},
      {"138", "NetBios Datagram"}, {"139", "NetBios Session"}, {"143", "IMAP"}, {"161", "SNMP"},
      {"194", "IRC"},          {"389", "LDAP"},        {"443", "HTTPS"},        {"1080", "SOCKS"}};
  for (const auto& [key, name] : ports) colPortNames.Add(name, key);

  static const std::pair<const char*, const char*> icmpTypes[] = {
      {"0", "Echo Reply (\"Ping\")"},
      {"3", "Destination Unreachable"},
      {"4", "Source Quench"},
      {"5", "Redirect"},
      {"6", "Alternate Host Address"},
      {"7", "Unassigned"},
      {"8", "Echo (\"Ping\")"},
      {"9", "Router Advertisement"},
      {"10", "Router Selection"},
      {"11", "Time Exceeded"},
      {"12", "Parameter Problem"},
      {"13", "Timestamp"},
      {"14", "Timestamp Reply"},
      {"15", "Information Request"},
      {"16", "Information Reply"},
      {"17", "Address Mask Request"},
      {"18", "Address Mask Reply"},
      {"30", "Traceroute"},
      {"31", "Datagram Conversion error"},
      {"32", "Mobile Host Redirect"},
      {"33", "IPv6 Where-Are-You"},
      {"34", "IPv6 I-Am-Here"},
      {"35", "Mobile Registration Request"},
      {"36", "Mobile Registration Reply"}};
  for (const auto& [key, name] : icmpTypes) colICMPTypeNames.Add(name, key);
}

namespace {
std::optional<std::string> nameIn(const Collection<std::string>& table, const std::string& key) {
  if (!table.Contains(key)) return std::nullopt;
  return table.Item(key);
}
}  // namespace

std::optional<std::string> PortNameOf(const std::string& key) { return nameIn(colPortNames, key); }

std::optional<std::string> ICMPTypeNameOf(const std::string& key) { return nameIn(colICMPTypeNames, key); }

}  // namespace mv
