#pragma once
// Alerts and logs: the alert and log settings, the six alert summary counters
// with their load, save and display, the archiving of the plain alert log,
// the clean-up of the engine's old daily logs, and the port and ICMP type
// name tables of the alert texts.
#include <cstdint>
#include <optional>
#include <string>

#include "core/Collection.h"
#include "core/SettingsKeys.h"

namespace mv {

// ---------------------------------------------------------------------------
// Settings of AlertsAndLogSetting.MVL, loaded at start-up.
inline std::string strLogPath;        // the plain alert log
inline std::string strLogSeparator;   // its column separator
inline std::uint8_t AlertEvent = 0;   // show alert pop-ups
inline std::uint8_t ProgramLog = 0;   // write alerts to the logs
inline std::uint8_t SystemTray = 0;   // the tray image follows the traffic
inline bool blnLoadOnStartup = false;
inline bool blnHideOnStartup = false;
inline bool AlertOn = false;           // engine logging
inline std::uint8_t AlertDay = 0;      // 1 = archive the plain log
inline std::int16_t AlertDays = 0;     // days between archives
inline std::string LastArchiveDate;    // "dd-mm-yyyy"

// The alert summary counters.
inline double IPrograms = 0;  // incoming packet events of programs
inline double IAllows = 0;    // incoming and allowed
inline double IBlocked = 0;   // incoming and denied
inline double OPrograms = 0;  // outgoing packet events of programs
inline double OAllows = 0;    // outgoing and allowed
inline double OBlocked = 0;   // outgoing and denied

// Duplicate keys of the alerts the user asked not to see again.
inline Collection<std::string> colDoNotShowAlerts;
// Service names by port number and ICMP message names by type number.
inline Collection<std::string> colPortNames;
inline Collection<std::string> colICMPTypeNames;


// Puts every global of this module back to its start value.
void ResetAlertsAndLogsGlobals();

// The keys of section [Main] of AlertsAndLogSetting.MVL.
namespace AlertKeys = keys;

// The plain log's column separator for a LogSeparation value: a Tab for 2,
// ";" for 3, "," for 1 and any other value.
std::string LogSeparatorOf(double separation);

// ---------------------------------------------------------------------------
// Summary counters.

void LoadAlertSummary();
// Stores the six counters in one write and shows them; false when the file
// could not be written (the counters in memory are kept).
bool SaveAlertSummary();
// Counts one packet event of a program (direction 0 in, 1 out; action 0
// allowed, 1 denied) and saves the counters.
void AddInAlertSummary(const std::string& path, std::uint8_t direction, std::uint8_t action);
// Shows the counters on the settings page (through its hook).
void RefreshSummaryView();
// Shows the zone levels, the program-control level and the automatic lock on
// the settings page (through its hook).
void showProgramSummary();
// The texts those labels take; nothing for a value that has none.
std::optional<std::string> ZoneLevelText(long level);
std::optional<std::string> ControlLevelText(int level);
std::string AutomaticLockText(bool on);

// ---------------------------------------------------------------------------
// Archiving and clean-up.

bool CopyAnyFile(const std::string& source, const std::string& destination);
bool DeleteAnyFile(const std::string& path);

// The folder of the archives: "Backup" under the program folder.
std::string ArchiveFolder();
// Copies the plain alert log to "Backup\dd-mm-yyyy.txt" under the program
// folder and empties it. The archive's path; "" when nothing was archived.
// Every archive, at start-up and on the read timer, is made by it.
std::string DoArchiveLogFile();

// The archive step of start-up: sets LastArchiveDate when it is empty or
// unreadable; otherwise ArchiveLogWhenDue.
void ArchiveLogAtStartup();

// The archive steps of the read timer. The first sets LastArchiveDate when it
// is empty or unreadable and returns true (the tick then ends). The second
// archives the log (DoArchiveLogFile) when archiving is on, more than
// AlertDays days have passed and the log exists, and then records the
// archive and today's date; an archive that could not be made is not tried
// again in this run.
bool SetArchiveDateWhenMissing();
void ArchiveLogWhenDue();

// Deletes the engine's daily logs of earlier days from the folder of `path`
// (today's first engine log); today's two logs and other files stay.
void EraseExceptFileFromContainFolder(const std::string& path);

// ---------------------------------------------------------------------------
// Port and ICMP type names.

// Builds both name tables anew.
void initConstantPortList();
// The name under the key (a number written as text), if the table has one.
std::optional<std::string> PortNameOf(const std::string& key);
std::optional<std::string> ICMPTypeNameOf(const std::string& key);

}  // namespace mv
