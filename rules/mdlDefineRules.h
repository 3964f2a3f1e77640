#pragma once
// Rule generation: the rule grammar, the rule-file writer with its custom,
// NetBIOS, IP, program and component sections, the service start with its
// success test, the restore of the default rule file, and the progress window.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rules/RuleFileText.h"

namespace mv {

// Rule codes.
enum RuleZone : long { zoneNone = 0, zoneBlocked = 1, zoneTrusted = 2, zoneInternet = 3 };
enum RuleAction : long { actAllow = 0, actDeny = 1, actAsk = 2 };
enum RuleDirection : long { dirIn = 0, dirOut = 1 };
enum RuleProtocol : long { protoTCP = 0, protoUDP = 1, protoICMP = 2, protoIP = 3 };

inline const std::string strCertificate = "$plovikern$";

// Engine state shared by the main window, the timer form and rule generation.
inline std::string strRuleFile;
inline std::int32_t lngRuleLineNo = 0;
inline bool blnForceLog = false;
inline bool blnApplying = false;
inline bool blnNetworkLocked = false;
inline bool blnNetworkStopped = false;
inline bool blnRestartingService = false;
inline bool blnReadEvents = true;
inline bool blnApplyingFormLoaded = false;
// Set once Exit or a signal has begun the shut-down: from then on nothing
// starts or restarts the engine, so the program ends with the engine stopped
// on the default rule file.
inline bool blnShuttingDown = false;

// The rule file being composed by the writer.
RuleFileText& RuleDocument();

std::string getRule(long zone, long action, long direction, long protocol, const std::string& port,
                    const std::string& source, const std::string& destination, bool logRequest,
                    const std::string& keyWord, const std::string& keyValue, bool reversed);
// One rule, or a rule and its mirror when a port is given. In print mode the
// lines go to the section printed last and are numbered by lngRuleLineNo; in
// section mode they are keys of `section`, numbered by `lineCounter`.
void Rules_Add_toINI(long zone, long action, long direction, long protocol, const std::string& port,
                     const std::string& source, const std::string& destination, bool logRequest, bool sectionMode,
                     const std::string& keyWord, const std::string& keyValue, const std::string& section,
                     std::int32_t& lineCounter);
void WriteRule(bool sectionMode, const std::string& ruleText, const std::string& section, std::int32_t& lineCounter);
// How many rules could not be written since the program started (each one
// logged where it failed).
std::uint64_t RulesNotWritten();

// Custom, NetBIOS and IP sections.
void SaveCustomRules(bool bBlockAll);
void SaveCustomTRules();
void SaveCustomIRules();
void saveNetBiosTRules();
void SaveNetbiosIRules();
void SaveIPRules(bool bBlockAll);
void SaveIPTRules();
void SaveIPIRules();

// Program and component sections.
void LoadProgramControlRules();
void addProgramControlDefaultRule();
void AddProgramControlRules(bool bBlockAll);
void AddComponentControlRules();

// Writes the whole rule file and restarts the service. False when the rule
// file could not be written or the service did not start.
//
// Everything the file is built from that comes from the settings files is
// read, and the file is replaced, under one holding of the folder's write
// lock, so that the rules never mix two states of the settings; no window
// events run while it is held. `readSources` reads the lists the caller
// gathers from the settings (false: nothing is written); it runs right after
// the lock is taken. When the lock cannot be had (another program is saving
// the settings), nothing is written, the engine keeps its rules, and the
// user is told.
bool AddRulesToINI(bool bBlockAll, bool bNoRestart, const std::function<bool()>& readSources = {});

bool StartService();
// Runs "net start mvs"; True when the service reported its start, otherwise
// the output goes to Pipe.log.
bool RunNetStart();
// The critical message of a service that did not start.
void ShowServiceNotStartedMessage();
// The message of a rule file that could not be written, or that was not
// written because another program held the settings (also logged).
void ShowRuleFileNotWritten(const std::string& where);
// Takes the hourglass and the progress window down after an operation.
void EndApplyingForm();
// Puts the event reader back to the first line of today's engine logs and
// empties the process list (after every restart, Lock and Stop).
void ResetEventReader();
// The Trusted zone's addresses, from the first to the first empty entry.
std::vector<std::string> TrustedAddresses();
// Puts every global of rule generation and engine control back to its start
// value (tests).
void ResetRuleGlobals();
// Stops the service and writes the default rule file. False when the file
// could not be written (logged), also when another program held the
// settings all the while: the program ends all the same.
bool RestoreDefaultRules();
// Writes a built-in rule template over the rule file, holding the folder's
// write lock; false, with nothing written, when it could not be had.
bool WriteRuleTemplate(const std::string& resourceName);
void ShowApplyingForm(long progress, int mode);
// The rule file's path under the system directory.
std::string RuleFilePath();

}  // namespace mv
