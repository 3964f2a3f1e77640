#pragma once
// The program list store and the rights model: how a program's four rights
// are coded, kept consistent, held in memory (colProgramList) and stored in
// ProgramControl.MVL; the program-control settings of ProgramMain.MVL; and the
// tag and list utilities the program-control page and its dialogs share.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Collection.h"
#include "platform/Dialogs.h"
#include "programs/clsProgramList.h"

namespace mv {

// ---------------------------------------------------------------------------
// Codings of a right. Each coding is used in its own places only.

// Stored in the settings files and passed between the stores.
enum AccessCode : std::uint8_t { AccessAllow = 0, AccessBlock = 1, AccessAsk = 2 };
// Strictness, for keeping the rights in order: Allow < Ask < Block.
enum StrictnessLevel : std::uint8_t { LevelAllow = 1, LevelAsk = 2, LevelBlock = 3 };
// Values of the page's rights menus.
enum MenuRightValue : int { MenuAllow = 1, MenuBlock = 2, MenuAsk = 3 };
// The engine's answer to an access request.
enum EngineAnswer : int { AnswerAllow = 0, AnswerAsk = 1, AnswerBlock = 2 };
// The four rights, numbered as the engine answer handler and the page use them.
enum RightNumber : int {
  RightAccessTrusted = 1,
  RightAccessInternet = 2,
  RightServerTrusted = 3,
  RightServerInternet = 4
};
// Passed where an AccessCode is expected: the right's default for new programs.
constexpr int DefaultRight = -1;
// Left in bytProgramRights for a stored right that cannot be read, and
// passed on for it: that right is kept as it is stored.
constexpr std::uint8_t UnreadableRight = 0xFF;

// The four rights of one program as strictness levels, index 0 = right 1.
using RightsLevels = std::array<std::uint8_t, 4>;

// The rights consistency rule: right `right` (1-4) takes `level` and the
// others move just far enough to keep AccessTrusted <= AccessInternet <=
// ServerInternet and AccessTrusted <= ServerTrusted <= ServerInternet. A
// right or level out of range changes nothing.
void ApplyRightsConsistencyRule(RightsLevels& levels, int right, std::uint8_t level);

// Conversions between the codings; 0 for a value that is none of the three.
std::uint8_t AccessCodeToLevel(int code);
std::uint8_t LevelToAccessCode(std::uint8_t level);
std::uint8_t MenuValueToLevel(int value);
// The engine's answer as an AccessCode (Ask and Block exchanged).
int EngineAnswerToAccessCode(int answer);
// The right text of an AccessCode ("" for any other value).
std::string AccessCodeToText(int code);
// The AccessCode that new programs get for right 1-4 (Ask when the stored
// default is not a valid code).
std::uint8_t DefaultRightCode(int right);

// ---------------------------------------------------------------------------
// Settings of ProgramMain.MVL, loaded at start-up.
inline std::uint8_t ControlLevel = 0;  // 0 Off, 1 Low, 2 Medium, 3 High
inline bool AutomaticLock = false;
inline std::uint8_t DefaultAccessTrusted = 0;
inline std::uint8_t DefaultAccessInternet = 0;
inline std::uint8_t DefaultServerTrusted = 0;
inline std::uint8_t DefaultServerInternet = 0;
inline bool ShowAlertOnInternetAccess = false;
inline bool DenyAccessOnAsk = false;
inline bool RequiredAdminRites = false;
inline bool LockMode = false;           // true: lock after idle time; false: with the screen saver
inline std::int16_t LockInterval = 0;   // idle minutes
inline bool EngagesMode = false;        // PassLock programs keep access while locked

// Texts, set by InitProgramControl.
inline std::string strAllow, strBlock, strAsk;
inline std::string strNormal, strPassLock;
inline std::string strAllowLevel, strAskLevel, strBlockLevel;

// The server presets of the options dialog, in menu order, and the same ten
// texts one by one for the preset commands.
inline std::array<std::string, 10> arrServerNames;
inline std::string strWebServerHTTP, strWebServerHTTPAlt8080, strWebServerHTTPAlt8000, strFTPServer,
    strDNSServer, strDHCPServer, strMailServerSMTP, strMailServerPOP, strMailServerIMAP, strNewsServer;

// Key names of a program section that the options dialog writes.
inline std::string strKeyAllowAccess, strKeyICMPProtocol, strKeyIGMPProtocol, strKeyAuthenticate, strKeyPorts,
    strKeyCheckedPorts, strKeyNoCustomizePorts;

// The entries of a program section in ProgramControl.MVL, in the order they
// are written (1-based, as numbered here), which is part of the file's
// format. Readers find each value by its key name.
enum ProgramSectionEntry : std::size_t {
  psVersion = 1, psColumn1, psColumn2, psColumn3, psColumn4, psColumn5, psColumn6, psPath, psAllowAccess, psPorts,
  psICMPProtocol, psIGMPProtocol, psAuthenticate, psCheckedPorts, psNoCustomizePorts
};
inline constexpr std::array<const char*, 15> ProgramSectionKeys = {
    "Version", "Column1",       "Column2",       "Column3",      "Column4",      "Column5",      "Column6",
    "Path",    "AllowAccess",   "Ports",         "ICMP_Protocol", "IGMP_Protocol", "Authenticate", "CheckedPorts",
    "NoCustomizePorts"};
// The key of a section entry.
constexpr const char* ProgramSectionKey(ProgramSectionEntry entry) { return ProgramSectionKeys[entry - 1]; }
// The fifteen entries of a new program's section: its version, its four
// rights (AccessCode), Normal lock, its path, and no port options.
std::vector<std::pair<std::string, std::string>> NewProgramSection(const std::string& version,
                                                                   const std::array<std::uint8_t, 4>& codes,
                                                                   const std::string& path);

// The programs, keyed by the lower-cased path, in file order.
inline Collection<std::shared_ptr<clsProgramList>> colProgramList;
// The working rights of the program in hand (AccessCode), left by
// setDefaultAccessRule.
inline std::array<std::uint8_t, 4> bytProgramRights{};

// Puts every global of this module back to its start value.
void ResetProgramControlGlobals();

// ---------------------------------------------------------------------------
// Procedures.

// Sets the texts, the server presets and the key names; empties the list of
// alerts not to be shown again.
void InitProgramControl();

// "ALLOW" 0, "BLOCK" 1, "ASK" 2 after upper-casing; any other text 0.
std::uint8_t AccessTextToCode(const std::string& text);
// strAllowLevel 1, strAskLevel 2, strBlockLevel 3, compared exactly; else 0.
std::uint8_t AccessTextToLevel(const std::string& text);

// Fills bytProgramRights: the rights of the program at 1-based `position` of
// colProgramList (the defaults for new programs when 0), with right `right`
// set to the engine's answer `value` and the others kept consistent. A right
// of the program that cannot be read is left as UnreadableRight unless it is
// the right answered. `value` is left converted to an AccessCode.
void setDefaultAccessRule(int right, int& value, long position);

// Stores the four rights (AccessCode, DefaultRight for the default) of the
// listed program with this path: object, page row and file. Only the rights
// that change are written; a right passed as any other value
// (UnreadableRight) is kept as it stands, in memory and in the file.
void UpdateProgramList(const std::string& path, int r1, int r2, int r3, int r4);

// Writes a new program section for the file described by tblFileInfo and adds
// the program to colProgramList. The section is named after `name`; when that
// section already belongs to another program, "name(1)", "name(2)", ... .
void AddProgramControlToINI(const std::string& name, int r1, int r2, int r3, int r4);

// Adds the listed program's row to the program-control page (through its
// hook; nothing while the page is not loaded).
void LoadCurrentProgramList(const std::string& path);

// Tag utilities: a program row's Tag is a changed flag "0"/"1" followed by
// the lower-cased path.
std::string GetPathFromTag(const std::string& tag);
std::string SetTagFlag(const std::string& tag, bool flag);


// The rights consistency rule on right texts, as a program row shows them:
// right `right` (1-4) has taken `level`, and each other right whose
// strictness the rule changes gets its new text. A text that is none of the
// three rights counts as no level.
void ApplyRightsConsistencyRule(std::array<std::string, 4>& rights, int right, std::uint8_t level);
// The right text of a strictness level ("" for any other value).
std::string LevelToAccessText(std::uint8_t level);

// The question before entries are removed: the first names one a line, the
// next one followed by " .....", the rest left out.
constexpr std::size_t ListedRemovalNames = 15;
std::string RemovalNameList(const std::vector<std::string>& names);
// The names, each in quotes, separated by commas: 'A', 'B'.
std::string QuotedNames(const std::vector<std::string>& names);
std::string ProgramRemovalQuestion(const std::vector<std::string>& names);

// The details of a program or component file, one line each: product name,
// path, version, size, creation date, description and copyright. Reads the
// file's properties into tblFileInfo.
std::string EntryDetailsText(const std::string& path);

// ---------------------------------------------------------------------------
// The Add command, shared by the program-control page and the wizard.

inline const std::string AddProgramFilter =
    "Executable File (*.exe,*.com,*.scr)|*.EXE;*.COM;*.SCR|All Files (*.*)|*.*";

// Opens the "Add Program" open dialog with `filter` on `folder`, the folder
// of the last file chosen (with its separator), or on the folder of programs
// while none has been chosen, and keeps the chosen file's folder in
// `folder`. The chosen file; nothing when the dialog was cancelled.
std::optional<platform::FileDialogResult> ShowAddProgramDialog(const std::string& filter, std::string& folder);

// The program that the Add of the chosen file (a path as the file dialog
// hands it in) puts on the list, or nothing. It is the file the engine sees
// run, links followed. The engine sees a script as the program that runs
// it: the user is told which one that is and that its rights cover every
// script it runs, and the interpreter is the program when the user agrees.
// A script that nothing here can run, and a path the settings and rule
// files cannot hold, are refused with a message. Messages carry `title`,
// the title of the program that asks.
std::optional<std::string> ProgramToAdd(const std::string& chosenFile, const std::string& title);

// ---------------------------------------------------------------------------
// Section utilities shared with the component store.

// The section of `file` for the entry with this path among "name(1)",
// "name(2)", ...: the first whose Path key is empty or equals the path.
std::string NumberedSectionFor(const std::string& file, const std::string& name, const std::string& path);

}  // namespace mv
