// The program and component sections of the rule file: the program list read
// from ProgramControl.MVL, the four default program sections, each program's
// four sections and the component keys.
#include <memory>
#include <unordered_map>

#include "core/VBRuntime.h"
#include "core/ErrorBoundary.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/PrivateProfile.h"
#include "programs/mdlProgramOptions.h"
#include "rules/RuleInputs.h"
#include "rules/RuleText.h"
#include "rules/mdlDefineRules.h"
#include "rules/mdlRules.h"

namespace mv {

namespace {

std::string rightText(const std::string& code) {
  if (code == "0") return strAllow;
  if (code == "1") return strBlock;
  if (code == "2") return strAsk;
  return "";
}

// Reads one program section (the first of its name); false when it cannot
// give a program.
bool readProgram(const std::string& name, const platform::ProfileSection& stored, clsProgramList& p) {
  p.ProgramName = name;
  // A section that lacks one of the keys is damaged and gives no program.
  std::vector<std::string> values;
  std::string missing;
  if (!ReadIniSectionKeys(stored, ProgramSectionKeys, values, missing)) {
    WriteErrorLog("Key " + missing + " is missing in [" + name + "]",
                  "LoadProgramControlRules of Module mdlDefineRules");
    return false;
  }
  auto v = [&values](ProgramSectionEntry entry) { return values[entry - 1]; };
  p.Version = v(psVersion);
  p.AccessTrusted = rightText(v(psColumn1));
  p.AccessInternet = rightText(v(psColumn2));
  p.ServerTrusted = rightText(v(psColumn3));
  p.ServerInternet = rightText(v(psColumn4));
  p.LockState = v(psColumn6) == "0" ? strNormal : (v(psColumn6) == "1" ? strPassLock : std::string());
  p.Path = v(psPath);
  // A number beyond a Single's range is no rights mode: no rule.
  p.AllowAccess = ValSingle(v(psAllowAccess), -1);
  p.Ports = v(psPorts);
  p.ICMP_Protocol = Val(v(psICMPProtocol)) != 0;
  p.IGMP_Protocol = Val(v(psIGMPProtocol)) != 0;
  p.Authenticate = ValSingle(v(psAuthenticate), 0);
  p.CheckedPorts = v(psCheckedPorts);
  std::string counted = v(psNoCustomizePorts);
  if (p.Path.empty()) return false;
  // A path the rule file cannot carry as a key never reaches the list.
  RefuseUnsafePath(p.Path);
  p.NoCustomizePorts = ValInt(counted);
  for (long n = 1; n <= p.NoCustomizePorts; ++n) {
    const platform::ProfileEntry* custom = stored.find("Custom_" + std::to_string(n));
    p.CustomEntries.push_back(custom ? DecryptString(custom->value, stored.name) : std::string());
  }
  // The checked presets' pairs, then the checked custom entries'.
  CollectPortPairs(p);
  return true;
}

// The rules of one right of one program, into its section; the number of
// lines written.
std::int32_t rightRules(const clsProgramList& p, const std::string& right, const std::string& section, long zone,
                        long direction, const std::vector<std::pair<std::string, std::string>>& targets) {
  std::int32_t counter = 0;
  static const std::string none;
  auto rule = [&](long action, long protocol, const std::string& port, const std::pair<std::string, std::string>& t) {
    Rules_Add_toINI(zone, action, direction, protocol, port, t.first, t.second, true, true, none, none, section,
                    counter);
  };
  auto customPairs = [&](long action, const std::pair<std::string, std::string>& t) {
    for (size_t k = 0; k < p.CustomProtocols.size() && k < p.CustomPorts.size(); ++k) {
      const std::string& proto = p.CustomProtocols[k];
      if (proto == "TCP") rule(action, protoTCP, p.CustomPorts[k], t);
      else if (proto == "UDP") rule(action, protoUDP, p.CustomPorts[k], t);
    }
  };
  if (right == "Block") {
    for (const auto& t : targets) {
      rule(actDeny, protoTCP, "", t);
      rule(actDeny, protoUDP, "", t);
    }
    return counter;
  }
  if (right != "Allow" && right != "Ask") return counter;
  long action = right == "Allow" ? actAllow : actAsk;
  if (p.AllowAccess == 0) {
    for (const auto& t : targets) {
      rule(action, protoTCP, "", t);
      rule(action, protoUDP, "", t);
    }
  } else if (p.AllowAccess == 1) {
    for (const auto& t : targets) customPairs(action, t);
    for (const auto& t : targets) {
      rule(actDeny, protoTCP, "", t);
      rule(actDeny, protoUDP, "", t);
    }
  } else if (p.AllowAccess == 2) {
    for (const auto& t : targets) customPairs(actDeny, t);
    for (const auto& t : targets) {
      rule(action, protoTCP, "", t);
      rule(action, protoUDP, "", t);
    }
  }
  return counter;
}

// Targets of a Trusted section: ANY to each address (access) or each address
// to ANY (server); of an Internet section: ANY to ANY.
std::vector<std::pair<std::string, std::string>> trustedTargets(bool access) {
  std::vector<std::pair<std::string, std::string>> t;
  for (const auto& e : TrustedAddresses()) t.emplace_back(access ? "ANY" : e, access ? e : "ANY");
  return t;
}

const std::vector<std::pair<std::string, std::string>> kAnyToAny = {{"ANY", "ANY"}};

// What the rules of one right of a program are made from, besides the
// addresses and log settings every program of one Apply shares: programs
// with the same key get the same lines.
std::string rightRulesKey(const clsProgramList& p, const std::string& right, long zone, long direction) {
  std::string key = right;
  key.append(1, '\0').append(std::to_string(zone)).append(1, '\0').append(std::to_string(direction));
  key.append(1, '\0').append(reinterpret_cast<const char*>(&p.AllowAccess), sizeof p.AllowAccess);
  for (size_t k = 0; k < p.CustomProtocols.size() && k < p.CustomPorts.size(); ++k)
    key.append(1, '\0').append(p.CustomProtocols[k]).append(1, '\0').append(p.CustomPorts[k]);
  return key;
}

// The programs read at the last Apply, each with the stored lines of its
// section: a section whose lines did not change gives the same program
// without being unscrambled and parsed again. Kept only for the texts a
// program is read into (rights, lock states, preset ports) it was read with.
struct ReadPrograms {
  std::string file;
  std::vector<std::string> words;
  struct Program {
    std::vector<platform::ProfileEntry> lines;
    clsProgramList program;
  };
  std::unordered_map<std::string, Program> byName;
};

std::vector<std::string> programWords() {
  std::vector<std::string> words{strAllow, strBlock, strAsk, strNormal, strPassLock};
  words.insert(words.end(), arrServerNames.begin(), arrServerNames.end());
  return words;
}

bool sameLines(const std::vector<platform::ProfileEntry>& a, const std::vector<platform::ProfileEntry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].hasEquals != b[i].hasEquals || a[i].key != b[i].key || a[i].value != b[i].value) return false;
  return true;
}

}  // namespace

void LoadProgramControlRules() {
  colProgramList.Clear();
  colComponentList.Clear();
  static ReadPrograms last;
  ReadPrograms now{strProgramControlFile, programWords(), {}};
  if (now.file != last.file || now.words != last.words) last.byName.clear();
  try {
    // One picture of the file serves every section; a name is read as the
    // first section of that name.
    auto data = platform::profileRead(strProgramControlFile);
    for (const auto& listed : data->sections()) {
      const std::string& name = listed.name;
      if (name.empty()) continue;
      auto p = std::make_shared<clsProgramList>();
      bool usable = false;
      const platform::ProfileSection& stored = *data->section(name);
      auto known = last.byName.find(name);
      if (known != last.byName.end() && sameLines(known->second.lines, stored.entries)) {
        *p = known->second.program;
        usable = true;
        now.byName.insert(last.byName.extract(known));
      } else {
        try {
          usable = readProgram(name, stored, *p);
        } catch (const std::exception& e) {
          WriteErrorLog(e, "LoadProgramControlRules of Module mdlDefineRules");
        }
        if (usable) now.byName.insert_or_assign(name, ReadPrograms::Program{stored.entries, *p});
      }
      // A damaged section, or a second section for a program already
      // listed, is passed over; the programs after it still load.
      if (!usable || colProgramList.Contains(p->Path)) continue;
      colProgramList.Add(p, LCase(p->Path));
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "LoadProgramControlRules of Module mdlDefineRules");
  }
  last = std::move(now);
}

void addProgramControlDefaultRule() {
  try {
    RuleFileText& doc = RuleDocument();
    for (const char* s : {"TrustedA0", "TrustedS0", "InternetA0", "InternetS0"}) doc.emptySection(s);
    blnForceLog = true;
    long aTrusted, sTrusted, aInternet, sInternet;
    if (ControlLevel == 0 || ControlLevel == 1) {
      aTrusted = sTrusted = aInternet = sInternet = actAllow;
    } else if (ControlLevel == 2 || ControlLevel == 3) {
      aTrusted = DefaultAccessTrusted;
      sTrusted = DefaultServerTrusted;
      aInternet = DefaultAccessInternet;
      sInternet = DefaultServerInternet;
    } else {
      blnForceLog = false;
      return;
    }
    std::int32_t ta = 0, ts = 0, ia = 0, is = 0;
    for (const auto& e : TrustedAddresses()) {
      Rules_Add_toINI(zoneTrusted, aTrusted, dirOut, protoTCP, "", "ANY", e, true, true, "", "", "TrustedA0", ta);
      Rules_Add_toINI(zoneTrusted, aTrusted, dirOut, protoUDP, "", "ANY", e, true, true, "", "", "TrustedA0", ta);
      Rules_Add_toINI(zoneTrusted, sTrusted, dirIn, protoTCP, "", e, "ANY", true, true, "", "", "TrustedS0", ts);
      Rules_Add_toINI(zoneTrusted, sTrusted, dirIn, protoUDP, "", e, "ANY", true, true, "", "", "TrustedS0", ts);
    }
    Rules_Add_toINI(zoneInternet, aInternet, dirOut, protoTCP, "", "ANY", "ANY", true, true, "", "", "InternetA0", ia);
    Rules_Add_toINI(zoneInternet, aInternet, dirOut, protoUDP, "", "ANY", "ANY", true, true, "", "", "InternetA0", ia);
    Rules_Add_toINI(zoneInternet, sInternet, dirIn, protoTCP, "", "ANY", "ANY", true, true, "", "", "InternetS0", is);
    Rules_Add_toINI(zoneInternet, sInternet, dirIn, protoUDP, "", "ANY", "ANY", true, true, "", "", "InternetS0", is);
  } catch (const std::exception& e) {
    WriteErrorLog(e, "addProgramControlDefaultRule of Module mdlDefineRules");
  }
  blnForceLog = false;
}

void AddProgramControlRules(bool bBlockAll) {
  RuleFileText& doc = RuleDocument();
  long count = colProgramList.Count();
  const auto trustedAccess = trustedTargets(true), trustedServer = trustedTargets(false);
  // The lines of each right made so far in this Apply, by what they are made
  // from: a program whose right is made as an earlier one's gets a copy of
  // its lines. Only lines made without a refused rule are copied, so every
  // refusal is still logged where it happens.
  struct Lines {
    std::string text;
    std::int32_t count;
  };
  std::unordered_map<std::string, Lines> made;
  auto rules = [&](const clsProgramList& p, const std::string& right, const std::string& section, long zone,
                   long direction, const std::vector<std::pair<std::string, std::string>>& targets) {
    std::string key = rightRulesKey(p, right, zone, direction);
    auto known = made.find(key);
    if (known != made.end() && doc.appendNumberedLines(section, known->second.text, known->second.count)) return;
    const bool empty = doc.lines(section).empty();
    const std::uint64_t refused = RulesNotWritten();
    const std::int32_t count = rightRules(p, right, section, zone, direction, targets);
    if (known == made.end() && empty && RulesNotWritten() == refused)
      made.emplace(std::move(key), Lines{std::string(doc.lines(section)), count});
  };
  for (long i = 1; i <= count; ++i) {
    ErrorBoundary("AddProgramControlRules of Module mdlDefineRules", [&] {
      const clsProgramList& p = *colProgramList.Item(i);
      // A program without a path has no key; the programs after it still get theirs.
      if (p.Path.empty()) return;  // the next program
      if (bBlockAll && !(p.LockState == "PassLock" && EngagesMode)) {
        doc.writeKey("_ProgramList", p.Path, "BlockedAllProgram");
        return;
      }
      std::string n = std::to_string(i + 1);
      doc.writeKey("_ProgramList", p.Path,
                   "LocalNet Blocked TrustedA" + n + " TrustedS" + n + " InternetA" + n + " InternetS" + n);
      for (const char* s : {"TrustedA", "TrustedS", "InternetA", "InternetS"}) doc.emptySection(s + n);
      rules(p, p.AccessTrusted, "TrustedA" + n, zoneTrusted, dirOut, trustedAccess);
      rules(p, p.AccessInternet, "InternetA" + n, zoneInternet, dirOut, kAnyToAny);
      rules(p, p.ServerTrusted, "TrustedS" + n, zoneTrusted, dirIn, trustedServer);
      rules(p, p.ServerInternet, "InternetS" + n, zoneInternet, dirIn, kAnyToAny);
    });
  }
}

void AddComponentControlRules() {
  for (long i = 1; i <= colComponentList.Count(); ++i) {
    // A component the file cannot carry is skipped (logged); the others keep
    // their keys.
    ErrorBoundary("AddComponentControlRules of Module mdlDefineRules", [&] {
      const clsComponentList& c = *colComponentList.Item(i);
      if (!c.Path.empty()) RuleDocument().writeKey("_ModuleList", c.Path, std::to_string(c.AccessType));
    });
  }
}

}  // namespace mv
