#include "programs/mdlProgramControl.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "alerts/mdlAlertsAndLogs.h"
#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlFileProperty.h"
#include "core/mdlMain.h"
#include "platform/Events.h"
#include "platform/Paths.h"
#include "platform/ProcessList.h"
#include "platform/PrivateProfile.h"
#include "rules/RuleText.h"

namespace mv {

// ---------------------------------------------------------------------------
// Codings and the rights consistency rule.

std::uint8_t AccessCodeToLevel(int code) {
  switch (code) {
    case AccessAllow: return LevelAllow;
    case AccessBlock: return LevelBlock;
    case AccessAsk: return LevelAsk;
    default: return 0;
  }
}

std::uint8_t LevelToAccessCode(std::uint8_t level) {
  switch (level) {
    case LevelBlock: return AccessBlock;
    case LevelAsk: return AccessAsk;
    default: return AccessAllow;
  }
}

std::uint8_t MenuValueToLevel(int value) {
  switch (value) {
    case MenuAllow: return LevelAllow;
    case MenuBlock: return LevelBlock;
    case MenuAsk: return LevelAsk;
    default: return 0;
  }
}

int EngineAnswerToAccessCode(int answer) {
  if (answer == AnswerAsk) return AccessAsk;
  if (answer == AnswerBlock) return AccessBlock;
  return answer;
}

std::string AccessCodeToText(int code) {
  switch (code) {
    case AccessAllow: return strAllow;
    case AccessBlock: return strBlock;
    case AccessAsk: return strAsk;
    default: return "";
  }
}

std::uint8_t DefaultRightCode(int right) {
  std::uint8_t code = AccessAsk;
  switch (right) {
    case RightAccessTrusted: code = DefaultAccessTrusted; break;
    case RightAccessInternet: code = DefaultAccessInternet; break;
    case RightServerTrusted: code = DefaultServerTrusted; break;
    case RightServerInternet: code = DefaultServerInternet; break;
    default: break;
  }
  return code <= AccessAsk ? code : static_cast<std::uint8_t>(AccessAsk);
}

void ApplyRightsConsistencyRule(RightsLevels& levels, int right, std::uint8_t level) {
  if (right < RightAccessTrusted || right > RightServerInternet) return;
  if (level < LevelAllow || level > LevelBlock) return;
  std::uint8_t& at = levels[0];
  std::uint8_t& ai = levels[1];
  std::uint8_t& st = levels[2];
  std::uint8_t& si = levels[3];
  // A right after the changed one in the order is raised to at least its
  // level; a right before it is relaxed to at most its level. A right that
  // is unknown (0) stays as it is: it never becomes a right by the change of
  // another one.
  auto atLeast = [level](std::uint8_t& r) {
    if (r != 0) r = std::max(r, level);
  };
  auto atMost = [level](std::uint8_t& r) {
    if (r != 0) r = std::min(r, level);
  };
  levels[static_cast<size_t>(right - 1)] = level;
  switch (right) {
    case RightAccessTrusted:
      atLeast(ai);
      atLeast(st);
      atLeast(si);
      break;
    case RightAccessInternet:
    case RightServerTrusted:
      atMost(at);
      atLeast(si);
      break;
    case RightServerInternet:
      atMost(at);
      atMost(ai);
      atMost(st);
      break;
    default: break;
  }
}

std::string LevelToAccessText(std::uint8_t level) {
  if (level < LevelAllow || level > LevelBlock) return "";
  return AccessCodeToText(LevelToAccessCode(level));
}

void ApplyRightsConsistencyRule(std::array<std::string, 4>& rights, int right, std::uint8_t level) {
  RightsLevels before;
  for (size_t i = 0; i < rights.size(); ++i) before[i] = AccessTextToLevel(rights[i]);
  RightsLevels after = before;
  ApplyRightsConsistencyRule(after, right, level);
  for (size_t i = 0; i < rights.size(); ++i)
    if (after[i] != before[i]) rights[i] = LevelToAccessText(after[i]);
}

// ---------------------------------------------------------------------------
// Globals.

void ResetProgramControlGlobals() {
  ControlLevel = 0;
  AutomaticLock = false;
  DefaultAccessTrusted = DefaultAccessInternet = DefaultServerTrusted = DefaultServerInternet = 0;
  ShowAlertOnInternetAccess = DenyAccessOnAsk = RequiredAdminRites = false;
  LockMode = false;
  LockInterval = 0;
  EngagesMode = false;
  for (std::string* s : {&strAllow, &strBlock, &strAsk, &strNormal, &strPassLock, &strAllowLevel, &strAskLevel,
                         &strBlockLevel, &strWebServerHTTP, &strWebServerHTTPAlt8080, &strWebServerHTTPAlt8000,
                         &strFTPServer, &strDNSServer, &strDHCPServer, &strMailServerSMTP, &strMailServerPOP,
                         &strMailServerIMAP, &strNewsServer, &strKeyAllowAccess, &strKeyICMPProtocol,
                         &strKeyIGMPProtocol, &strKeyAuthenticate, &strKeyPorts, &strKeyCheckedPorts,
                         &strKeyNoCustomizePorts})
    s->clear();
  arrServerNames.fill(std::string());
  colProgramList.Clear();
  bytProgramRights.fill(0);
}

void InitProgramControl() {
  colDoNotShowAlerts.Clear();

  strWebServerHTTP = "WEB servers HTTP (TCP port 80)";
  strWebServerHTTPAlt8080 = "WEB servers HTTP-alt (TCP port 8080)";
  strWebServerHTTPAlt8000 = "WEB servers HTTP-alt (TCP port 8000)";
  strFTPServer = "FTP servers (TCP port 21)";
  strDNSServer = "DNS servers (TCP and UDP port 53)";
  strDHCPServer = "DHCP servers (UDP port 67)";
  strMailServerSMTP = "MAIL servers SMTP (TCP port 25)";
  strMailServerPOP = "MAIL servers POP (TCP port 110)";
  strMailServerIMAP = "MAIL servers IMAP (TCP port 143)";
  strNewsServer = "NEWS servers (TCP port 119)";
  arrServerNames = {strWebServerHTTP, strWebServerHTTPAlt8080, strWebServerHTTPAlt8000, strFTPServer,
                    strDNSServer,     strDHCPServer,           strMailServerSMTP,       strMailServerPOP,
                    strMailServerIMAP, strNewsServer};

  strKeyAllowAccess = ProgramSectionKey(psAllowAccess);
  strKeyICMPProtocol = ProgramSectionKey(psICMPProtocol);
  strKeyIGMPProtocol = ProgramSectionKey(psIGMPProtocol);
  strKeyAuthenticate = ProgramSectionKey(psAuthenticate);
  strKeyPorts = ProgramSectionKey(psPorts);
  strKeyCheckedPorts = ProgramSectionKey(psCheckedPorts);
  strKeyNoCustomizePorts = ProgramSectionKey(psNoCustomizePorts);

  strAllow = "Allow";
  strBlock = "Block";
  strAsk = "Ask";
  strNormal = "Normal";
  strPassLock = "PassLock";
  strAllowLevel = "Allow";
  strAskLevel = "Ask";
  strBlockLevel = "Block";
}

// ---------------------------------------------------------------------------
// Right texts.

namespace {

std::optional<std::uint8_t> readAccessText(const std::string& text) {
  std::string u = UCase(text);
  if (u == "ALLOW") return AccessAllow;
  if (u == "BLOCK") return AccessBlock;
  if (u == "ASK") return AccessAsk;
  return std::nullopt;
}

// A right passed to the store: a valid AccessCode as it is, anything else
// (DefaultRight included) as the right's default for new programs.
std::uint8_t resolveRight(int code, int right) {
  if (code >= AccessAllow && code <= AccessAsk) return static_cast<std::uint8_t>(code);
  return DefaultRightCode(right);
}

std::array<std::uint8_t, 4> resolveRights(int r1, int r2, int r3, int r4) {
  return {resolveRight(r1, RightAccessTrusted), resolveRight(r2, RightAccessInternet),
          resolveRight(r3, RightServerTrusted), resolveRight(r4, RightServerInternet)};
}

std::string& rightText(clsProgramList& program, int right) {
  switch (right) {
    case RightAccessTrusted: return program.AccessTrusted;
    case RightAccessInternet: return program.AccessInternet;
    case RightServerTrusted: return program.ServerTrusted;
    default: return program.ServerInternet;
  }
}

}  // namespace

std::uint8_t AccessTextToCode(const std::string& text) { return readAccessText(text).value_or(AccessAllow); }

std::uint8_t AccessTextToLevel(const std::string& text) {
  if (text == strAllowLevel) return LevelAllow;
  if (text == strAskLevel) return LevelAsk;
  if (text == strBlockLevel) return LevelBlock;
  return 0;
}

// ---------------------------------------------------------------------------
// The store.

void setDefaultAccessRule(int right, int& value, long position) {
  ErrorBoundary("setDefaultAccessRule of Module mdlProgramControl", [&] {
    value = EngineAnswerToAccessCode(value);
    if (position != 0) {
      clsProgramList& program = *colProgramList.Item(position);
      // A right text that cannot be read stays unread: the answer for
      // another right never turns it into a right.
      for (int r = RightAccessTrusted; r <= RightServerInternet; ++r)
        bytProgramRights[static_cast<size_t>(r - 1)] = readAccessText(rightText(program, r)).value_or(UnreadableRight);
    } else {
      for (int r = RightAccessTrusted; r <= RightServerInternet; ++r)
        bytProgramRights[static_cast<size_t>(r - 1)] = DefaultRightCode(r);
    }
    std::uint8_t level = AccessCodeToLevel(value);
    if (level == 0) return;
    RightsLevels levels;
    for (size_t i = 0; i < levels.size(); ++i) levels[i] = AccessCodeToLevel(bytProgramRights[i]);
    ApplyRightsConsistencyRule(levels, right, level);
    for (size_t i = 0; i < levels.size(); ++i)
      bytProgramRights[i] = levels[i] == 0 ? UnreadableRight : LevelToAccessCode(levels[i]);
  });
}

void UpdateProgramList(const std::string& path, int r1, int r2, int r3, int r4) {
  ErrorBoundary("UpdateProgramList of Module mdlProgramControl", [&] {
    const std::array<int, 4> passed = {r1, r2, r3, r4};
    std::string key = LCase(path);
    clsProgramList& program = *colProgramList.Item(key);
    // The rights that change are stored in one write; memory and the page
    // follow only what was stored. A right that stays is not written, so a
    // stored value that cannot be read is left byte for byte.
    std::array<std::string, 4> texts;
    std::vector<std::pair<std::string, std::string>> columns;
    for (int r = RightAccessTrusted; r <= RightServerInternet; ++r) {
      const int code = passed[static_cast<size_t>(r - 1)];
      std::string& text = texts[static_cast<size_t>(r - 1)];
      text = rightText(program, r);
      if (code != DefaultRight && (code < AccessAllow || code > AccessAsk)) continue;
      const std::uint8_t stored = resolveRight(code, r);
      if (readAccessText(text) == stored) continue;
      columns.emplace_back("Column" + std::to_string(r), std::to_string(stored));
      text = AccessCodeToText(stored);
    }
    if (!columns.empty() && !WriteINIKeys(program.ProgramName, columns, strProgramControlFile, true)) return;
    for (int r = RightAccessTrusted; r <= RightServerInternet; ++r)
      rightText(program, r) = texts[static_cast<size_t>(r - 1)];
    hooks::Call(hooks::ProgramRowRights, key, texts);
  });
}

std::string NumberedSectionFor(const std::string& file, const std::string& name, const std::string& path) {
  for (long n = 1;; ++n) {
    std::string section = name + "(" + std::to_string(n) + ")";
    std::string stored = ReadINI(section, "Path", "", file, true);
    if (stored.empty() || SameText(stored, path)) return section;
  }
}


std::vector<std::pair<std::string, std::string>> NewProgramSection(const std::string& version,
                                                                   const std::array<std::uint8_t, 4>& codes,
                                                                   const std::string& path) {
  const std::array<std::string, 15> values = {version, std::to_string(codes[0]), std::to_string(codes[1]),
                                              std::to_string(codes[2]), std::to_string(codes[3]), "0", "0",
                                              path, "0", "", "0", "0", "0", "", "0"};
  std::vector<std::pair<std::string, std::string>> keys;
  for (std::size_t i = 0; i < values.size(); ++i) keys.emplace_back(ProgramSectionKeys[i], values[i]);
  return keys;
}

void AddProgramControlToINI(const std::string& name, int r1, int r2, int r3, int r4) {
  ErrorBoundary("AddProgramControlToINI of Module mdlProgramControl", [&] {
    const std::array<std::uint8_t, 4> codes = resolveRights(r1, r2, r3, r4);
    const std::string fullPath = tblFileInfo.FullPath;
    RefuseUnsafePath(fullPath);
    const std::string version = tblFileInfo.ProductVersion;
    // A section that belongs to another program keeps its rights: the new
    // program gets a numbered section of its own.
    std::string section = name;
    std::string owner = ReadINI(section, "Path", "", strProgramControlFile, true);
    if (!owner.empty() && !SameText(owner, fullPath))
      section = NumberedSectionFor(strProgramControlFile, name, fullPath);

    if (!WriteINISection(section, NewProgramSection(version, codes, fullPath), strProgramControlFile, true)) {
      WriteErrorLog(FileAccessErrorText(strProgramControlFile), "AddProgramControlToINI of Module mdlProgramControl");
      return;
    }
    platform::pumpEvents();

    auto program = std::make_shared<clsProgramList>();
    program->ProgramName = section;
    program->AccessTrusted = AccessCodeToText(codes[0]);
    program->AccessInternet = AccessCodeToText(codes[1]);
    program->ServerTrusted = AccessCodeToText(codes[2]);
    program->ServerInternet = AccessCodeToText(codes[3]);
    program->LockState = strNormal;
    program->Path = fullPath;
    program->Version = version;
    colProgramList.Add(program, LCase(fullPath));
  });
}

void LoadCurrentProgramList(const std::string& path) { hooks::Call(hooks::ProgramRowAdded, LCase(path)); }

// ---------------------------------------------------------------------------
// Texts of the program-control page.

std::string RemovalNameList(const std::vector<std::string>& names) {
  std::string listed;
  for (std::size_t i = 0; i < names.size() && i <= ListedRemovalNames; ++i)
    listed += names[i] + (i == ListedRemovalNames ? " ....." : "") + "\r\n";
  return listed;
}

std::string QuotedNames(const std::vector<std::string>& names) {
  std::string quoted;
  for (const std::string& name : names) quoted += (quoted.empty() ? "'" : ", '") + name + "'";
  return quoted;
}

std::string ProgramRemovalQuestion(const std::vector<std::string>& names) {
  return "Do you want to remove following application(s)?\r\n" + RemovalNameList(names);
}

std::string EntryDetailsText(const std::string& path) {
  getFileProperty(path);
  const FileInfoRec& info = tblFileInfo;
  // A file that could not be read has no creation date to show.
  const std::string created = info.Created.year == 0 ? "" : FormatDate(info.Created, "dd/mm/yyyy");
  return "Product Name : \t" + info.ProductName + "\r\n" +
         "Path : \t\t" + path + "\r\n" +
         "Version : \t\t" + info.ProductVersion + "\r\n" +
         "File Size :\t\t" + info.SizeText + "\r\n" +
         "Created Date: \t" + created + "\r\n" +
         "Description :\t" + info.FileDescription + "\r\n" +
         "Copy Right:\t" + info.LegalCopyright;
}

// ---------------------------------------------------------------------------
// Tags and lists.

std::string GetPathFromTag(const std::string& tag) { return tag.size() > 1 ? LCase(tag.substr(1)) : ""; }

std::string SetTagFlag(const std::string& tag, bool flag) {
  return (flag ? "1" : "0") + (tag.size() > 1 ? tag.substr(1) : std::string());
}

// ---------------------------------------------------------------------------
// The Add command.

std::optional<platform::FileDialogResult> ShowAddProgramDialog(const std::string& filter, std::string& folder) {
  platform::FileDialogOptions options;
  options.DialogTitle = "Add Program";
  options.Filter = filter;
  options.InitDir = folder.empty() ? platform::systemPath(platform::programsFolder()) + "\\" : folder;
  auto chosen = platform::ShowOpen(options);
  // A cancelled dialog is no file, whatever a file may be called.
  if (!chosen || chosen->FileName.empty()) return std::nullopt;
  const std::size_t titleLength = std::min(chosen->FileTitle.size(), chosen->FileName.size());
  folder = chosen->FileName.substr(0, chosen->FileName.size() - titleLength);
  return chosen;
}

std::optional<std::string> ProgramToAdd(const std::string& chosenFile, const std::string& title) {
  // The program is the file the engine sees run: a link is followed.
  std::string path = platform::executablePathOf(chosenFile);
  if (const std::optional<std::string> interpreter = platform::scriptInterpreterOf(path)) {
    const std::string script = PrintableText(path);
    if (interpreter->empty()) {
      platform::MsgBox("The program " + script +
                           " cannot be added: it is a script, and the program that runs it cannot be found on "
                           "this computer.",
                       platform::vbExclamation, title);
      return std::nullopt;
    }
    const std::string shown = PrintableText(*interpreter);
    const int answer = platform::MsgBox(
        script + " is a script. The firewall sees the program that runs it, " + shown +
            ", and the rights given to that program cover every script it runs.\r\n\r\nDo you want to add " +
            shown + "?",
        platform::vbYesNo + platform::vbQuestion, title);
    if (answer != platform::vbYes) return std::nullopt;
    path = *interpreter;
  }
  // A path the settings file cannot hold safely is refused before any write.
  const std::string problem = StoredPathProblem(path);
  if (!problem.empty()) {
    platform::MsgBox("The program " + PrintableText(path) + " cannot be added: its path " + problem + ".",
                     platform::vbExclamation, title);
    return std::nullopt;
  }
  return path;
}

}  // namespace mv
