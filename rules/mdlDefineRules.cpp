#include "rules/mdlDefineRules.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "rules/EngineState.h"
#include "core/MGetCmdOutput.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/ChangeRecord.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "rules/RuleInputs.h"
#include "rules/RuleText.h"
#include "rules/NetworkCommands.h"
#include "rules/mdlRules.h"
#include "zones/ZoneLevels.h"

namespace mv {

using namespace std::string_view_literals;

RuleFileText& RuleDocument() {
  static RuleFileText doc;
  return doc;
}

namespace {

const char* const kStopped = "service was stopped successfully.";
const char* const kNotStarted = "service is not started.";
const char* const kStarted = "service was started successfully.";

std::string_view actionWord(long action) {
  switch (action) {
    case actAllow: return "ALLOW ";
    case actDeny: return "DENY ";
    case actAsk: return "ASK ";
    default: return "";
  }
}

std::string_view protocolWord(long protocol) {
  switch (protocol) {
    case protoTCP: return "TCP ";
    case protoUDP: return "UDP ";
    case protoICMP: return "ICMP ";
    case protoIP: return "IP ";
    default: return "";
  }
}

const std::string kNoText, kAnyAddress = "ANY";

// Print-mode rule into the section printed last, log requested.
void printRule(long zone, long action, long direction, long protocol, const std::string& port,
               const std::string& source, const std::string& destination, const std::string& keyWord = kNoText,
               const std::string& keyValue = kNoText, bool log = true) {
  std::int32_t unused = 0;
  Rules_Add_toINI(zone, action, direction, protocol, port, source, destination, log, false, keyWord, keyValue,
                  kNoText, unused);
}

void printHeader(const std::string& name) {
  lngRuleLineNo = 0;
  RuleDocument().header(name);
}


// Element k of a custom-settings array: High rows count as ticked only for
// the value 1, Medium rows for any non-zero value.
bool highTicked(const std::vector<PortSettingRec>& a, size_t k) { return k < a.size() && a[k].Enabled == 1; }
bool mediumTicked(const std::vector<PortSettingRec>& a, size_t k) { return k < a.size() && a[k].Enabled != 0; }
long highAction(const std::vector<PortSettingRec>& a, size_t k) { return highTicked(a, k) ? actAllow : actDeny; }
long mediumAction(const std::vector<PortSettingRec>& a, size_t k) { return mediumTicked(a, k) ? actDeny : actAllow; }

// DNS, DHCP and broadcast rules of one zone.
void customRules(long zone, const std::vector<PortSettingRec>& high, const std::vector<std::string>& targets,
                 bool trusted) {
  for (const auto& x : targets) printRule(zone, highAction(high, 0), dirOut, protoUDP, "53", "ANY", x);
  for (const auto& x : targets) printRule(zone, highAction(high, 1), dirOut, protoUDP, "67", "ANY", x);
  for (const auto& x : targets)
    printRule(zone, highAction(high, 2), dirIn, protoUDP, "67", trusted ? x : "ANY", trusted ? "255.255.255.255" : "ANY");
}

void netBiosRules(long zone, const std::vector<PortSettingRec>& medium, const std::vector<std::string>& targets) {
  static const char* ports[] = {"135", "137-139", "445"};
  // Row by row, and inside a row address by address, each with its three ports.
  for (const auto& x : targets)
    for (const char* p : ports) printRule(zone, mediumAction(medium, 0), dirIn, protoUDP, p, x, "ANY");
  for (const auto& x : targets)
    for (const char* p : ports) printRule(zone, mediumAction(medium, 1), dirOut, protoUDP, p, "ANY", x);
}

// IGMP and ICMP rules of one zone at its level.
void ipRules(long zone, int level, const std::vector<PortSettingRec>& high, const std::vector<PortSettingRec>& medium,
             const std::vector<std::string>& targets) {
  // The six row groups in order: IGMP in, IGMP out, ICMP echo in, other ICMP
  // in, ICMP echo out, other ICMP out.
  auto group = [&](int g, long action) {
    for (const auto& x : targets) {
      switch (g) {
        case 0: printRule(zone, action, dirIn, protoIP, "", x, "ANY", "PNO", "2"); break;
        case 1: printRule(zone, action, dirOut, protoIP, "", "ANY", x, "PNO", "2"); break;
        case 2:
          printRule(zone, action, dirIn, protoICMP, "", x, "ANY", "TYPE", "0");
          printRule(zone, action, dirIn, protoICMP, "", x, "ANY", "TYPE", "8");
          break;
        case 3: printRule(zone, action, dirIn, protoICMP, "", x, "ANY"); break;
        case 4:
          printRule(zone, action, dirOut, protoICMP, "", "ANY", x, "TYPE", "8");
          printRule(zone, action, dirOut, protoICMP, "", "ANY", x, "TYPE", "0");
          break;
        case 5: printRule(zone, action, dirOut, protoICMP, "", "ANY", x); break;
      }
    }
  };
  if (level == 1) {
    for (const auto& x : targets) {
      printRule(zone, actAllow, dirIn, protoIP, "", x, "ANY", "PNO", "2");
      printRule(zone, actAllow, dirOut, protoIP, "", "ANY", x, "PNO", "2");
      printRule(zone, actAllow, dirIn, protoICMP, "", x, "ANY", "TYPE", "0");
      printRule(zone, actAllow, dirIn, protoICMP, "", x, "ANY", "TYPE", "8");
      printRule(zone, actAllow, dirIn, protoICMP, "", x, "ANY");
      printRule(zone, actAllow, dirOut, protoICMP, "", "ANY", x, "TYPE", "8");
      printRule(zone, actAllow, dirOut, protoICMP, "", "ANY", x, "TYPE", "0");
      printRule(zone, actAllow, dirOut, protoICMP, "", "ANY", x);
    }
  } else if (level == 2) {
    // Medium rows 6, 7, then 2 to 5.
    const size_t rows[] = {6, 7, 2, 3, 4, 5};
    for (int g = 0; g < 6; ++g) group(g, mediumAction(medium, rows[g]));
  } else if (level == 3) {
    // High rows 7, 8, then 3 to 6.
    const size_t rows[] = {7, 8, 3, 4, 5, 6};
    for (int g = 0; g < 6; ++g) group(g, highAction(high, rows[g]));
  }
}

// Port text of one pair: a single port (not 0), or "first-last".
std::string portText(const PortPair& p) {
  if (p[0] == p[1]) return p[0] == 0 ? std::string() : std::to_string(p[0]);
  return std::to_string(p[0]) + "-" + std::to_string(p[1]);
}

// The port pairs of one list, incoming (x to ANY) or outgoing (ANY to x).
void portPairs(long zone, long action, long protocol, const PortList& list, bool incoming, const std::string& x) {
  for (const auto& p : list) {
    std::string port = portText(p);
    if (port.empty()) continue;
    if (incoming)
      printRule(zone, action, dirIn, protocol, port, x, "ANY");
    else
      printRule(zone, action, dirOut, protocol, port, "ANY", x);
  }
}

void allFour(long zone, long action, const std::string& x) {
  printRule(zone, action, dirOut, protoTCP, "", "ANY", x);
  printRule(zone, action, dirIn, protoTCP, "", x, "ANY");
  printRule(zone, action, dirOut, protoUDP, "", "ANY", x);
  printRule(zone, action, dirIn, protoUDP, "", x, "ANY");
}

void denyFour(long zone, const std::string& x) {
  printRule(zone, actDeny, dirIn, protoTCP, kNoText, x, kAnyAddress);
  printRule(zone, actDeny, dirOut, protoTCP, kNoText, kAnyAddress, x);
  printRule(zone, actDeny, dirIn, protoUDP, kNoText, x, kAnyAddress);
  printRule(zone, actDeny, dirOut, protoUDP, kNoText, kAnyAddress, x);
}

struct ZonePorts {
  const PortList &tcpIn, &tcpOut, &udpIn, &udpOut;
};

void zonePorts(long zone, long action, const ZonePorts& p, const std::string& x) {
  portPairs(zone, action, protoTCP, p.tcpIn, true, x);
  portPairs(zone, action, protoTCP, p.tcpOut, false, x);
  portPairs(zone, action, protoUDP, p.udpIn, true, x);
  portPairs(zone, action, protoUDP, p.udpOut, false, x);
}

void trustedSection() {
  printHeader("Trusted");
  const auto targets = TrustedAddresses();
  const ZonePorts medium{arrTCPTrustedMediumIn, arrTCPTrustedMediumOut, arrUDPTrustedMediumIn, arrUDPTrustedMediumOut};
  const ZonePorts high{arrTCPTrustedHighIn, arrTCPTrustedHighOut, arrUDPTrustedHighIn, arrUDPTrustedHighOut};
  switch (intTrustedZoneLevel) {
    case 1:
      for (const auto& x : targets) allFour(zoneTrusted, actAllow, x);
      break;
    case 2:
      for (const auto& x : targets) zonePorts(zoneTrusted, actDeny, medium, x);
      for (const auto& x : targets) allFour(zoneTrusted, actAllow, x);
      break;
    case 3:
      for (const auto& x : targets) zonePorts(zoneTrusted, actAllow, high, x);
      for (const auto& x : targets) denyFour(zoneTrusted, x);
      break;
    default: break;
  }
}

void internetSection() {
  printHeader("Internet");
  const ZonePorts medium{arrTCPInternetMediumIn, arrTCPInternetMediumOut, arrUDPInternetMediumIn,
                         arrUDPInternetMediumOut};
  const ZonePorts high{arrTCPInternetHighIn, arrTCPInternetHighOut, arrUDPInternetHighIn, arrUDPInternetHighOut};
  switch (intInternetZoneLevel) {
    case 1: allFour(zoneInternet, actAllow, "ANY"); break;
    case 2:
      zonePorts(zoneInternet, actDeny, medium, "ANY");
      allFour(zoneInternet, actAllow, "ANY");
      break;
    case 3:
      zonePorts(zoneInternet, actAllow, high, "ANY");
      denyFour(zoneInternet, "ANY");
      break;
    default: break;
  }
}


// Runs one guarded section writer; an error ends that section only.
template <class F>
void guarded(const char* where, F f) {
  ErrorBoundary(std::string(where) + " of Module mdlDefineRules", f);
}


// Runs "net stop mvs" and "net start mvs" around the new rule file, with one
// more try when the stop gave neither phrase and the start failed.
bool restartService() {
  std::string out = GetCommandOutput("net stop mvs", true, true, true);
  ShowApplyingForm(70, 0);
  bool started;
  if (out.find(kStopped) != std::string::npos || out.find(kNotStarted) != std::string::npos) {
    started = StartService();
  } else {
    AddLineInPipeLog(out);
    started = StartService();
    if (!started) {
      GetCommandOutput("net stop mvs", true, true, true);
      started = StartService();
    }
  }
  if (!started) {
    // Whatever was asked for, the engine does not run now.
    SetEngineState(EngineState::Stopped);
    ShowServiceNotStartedMessage();
  }
  return started;
}


// A rule line's key: its number, three digits at least (Format "000"),
// made in `room`.
struct LineKey {
  char room[24];
  std::string_view text;
  explicit LineKey(std::int32_t n) {
    if (n < 0) {
      std::string f = FormatNumber(n, "000");
      const size_t size = std::min(f.size(), sizeof room);
      f.copy(room, size);
      text = std::string_view(room, size);
      return;
    }
    char* end = std::to_chars(room + 2, room + sizeof room, n).ptr;
    char* begin = room + 2;
    while (end - begin < 3) *--begin = '0';
    text = std::string_view(begin, static_cast<size_t>(end - begin));
  }
};

bool isAny(std::string_view word) {
  return word.size() == 3 && (word[0] | 0x20) == 'a' && (word[1] | 0x20) == 'n' && (word[2] | 0x20) == 'y';
}

// Trim(port), without a copy.
std::string_view trimmedPort(std::string_view p) {
  p.remove_prefix(std::min(p.size(), p.find_first_not_of(' ')));
  p.remove_suffix(p.size() - (p.empty() ? 0 : p.find_last_not_of(' ') + 1));
  return p;
}

std::string_view zoneWord(long zone) {
  switch (zone) {
    case zoneBlocked: return " B"sv;
    case zoneTrusted: return " T"sv;
    case zoneInternet: return " I"sv;
    default: return ""sv;
  }
}

// The words a rule starts with ("ALLOW TCP IN FROM ") and ends with
// (" LOG T"), made once for every action, protocol, direction, log and zone.
struct RuleEnds {
  std::string starts[3][4][2];
  std::string ends[2][4];
  RuleEnds() {
    for (long a = 0; a < 3; ++a)
      for (long p = 0; p < 4; ++p)
        for (long d = 0; d < 2; ++d)
          starts[a][p][d] = std::string(actionWord(a)) + std::string(protocolWord(p)) + (d == dirIn ? "IN " : "OUT ") +
                            "FROM ";
    for (int l = 0; l < 2; ++l)
      for (long z = 0; z < 4; ++z) ends[l][z] = std::string(l ? " LOG" : " NOLOG") + std::string(zoneWord(z));
  }
};
const RuleEnds& ruleEnds() {
  static const RuleEnds ends;
  return ends;
}

// The words of one rule, in the order they stand in it, given to `put` one
// after another.
template <class Put>
void composeRule(Put&& put, long zone, long action, long direction, long protocol, std::string_view p,
                 std::string_view src, std::string_view dst, bool logRequest, std::string_view keyWord,
                 std::string_view keyValue, bool reversed) {
  const RuleEnds& ends = ruleEnds();
  if (action >= 0 && action < 3 && protocol >= 0 && protocol < 4) {
    put(ends.starts[action][protocol][direction == dirIn ? 0 : 1]);
  } else {
    put(actionWord(action));
    put(protocolWord(protocol));
    put(direction == dirIn ? "IN FROM "sv : "OUT FROM "sv);
  }
  const bool keyed = protocol == protoICMP || protocol == protoIP;
  if (p.empty() || keyed) {
    put(src);
    put(" TO "sv);
    put(dst);
    if (keyed && !keyWord.empty()) {
      put(" "sv);
      put(keyWord);
      put(" "sv);
      put(keyValue);
    }
  } else {
    // Both ends named: the port on both; otherwise on the named end's
    // other side, the source's when reversed.
    const bool both = !isAny(src) && !isAny(dst);
    put(src);
    if (both || reversed) {
      put(":"sv);
      put(p);
    }
    put(" TO "sv);
    put(dst);
    if (both || !reversed) {
      put(":"sv);
      put(p);
    }
  }
  const bool log = (AlertOn && logRequest) || blnForceLog;
  if (zone >= 0 && zone < 4) {
    put(ends.ends[log ? 1 : 0][zone]);
  } else {
    put(log ? " LOG"sv : " NOLOG"sv);
    put(zoneWord(zone));
  }
}

std::uint64_t rulesNotWritten = 0;

// Appends one rule to `text`; false, with nothing appended, when it cannot
// be made (logged).
bool appendRule(std::string& text, long zone, long action, long direction, long protocol, std::string_view p,
                std::string_view source, std::string_view destination, bool logRequest, std::string_view keyWord,
                std::string_view keyValue, bool reversed) {
  const size_t mark = text.size();
  try {
    static constexpr std::string_view any = "ANY";
    const std::string_view src = source.empty() ? any : source;
    const std::string_view dst = destination.empty() ? any : destination;
    // Addresses, the port and the key word and value are single words of the
    // rule: one that holds a blank or a line break would write a rule of its own.
    for (std::string_view word : {src, dst, p, keyWord, keyValue}) {
      if (RuleWordFits(word)) continue;
      std::string problem = RuleTextProblem(word, RulePart::Word);
      if (problem.empty()) continue;
      throw RuntimeError(errInvalidCall, "Text refused for a rule (" + problem + "): " + PrintableText(word));
    }
    // A rule of usual length is put together on the stack and goes into the
    // text in one piece.
    char room[256];
    if (48 + 2 * (src.size() + dst.size() + p.size()) + keyWord.size() + keyValue.size() <= sizeof room) {
      char* at = room;
      composeRule([&at](std::string_view w) { at = std::copy(w.begin(), w.end(), at); }, zone, action, direction,
                  protocol, p, src, dst, logRequest, keyWord, keyValue, reversed);
      text.append(room, static_cast<size_t>(at - room));
    } else {
      composeRule([&text](std::string_view w) { text.append(w); }, zone, action, direction, protocol, p, src, dst,
                  logRequest, keyWord, keyValue, reversed);
    }
    return true;
  } catch (const std::exception& e) {
    WriteErrorLog(e, "getRule of Module mdlDefineRules");
    ++rulesNotWritten;
    // Half a rule is no rule: nothing is written for it.
    text.resize(mark);
    return false;
  }
}

const std::string kWriteRuleWhere = "WriteRule of Module mdlDefineRules";

// Writes the rule that `build` puts together as the next numbered line: in
// section mode a key of `section` numbered by `lineCounter`, otherwise a line
// of the section printed last numbered by lngRuleLineNo. A rule that could
// not be made takes no number.
template <class Build>
void writeRuleLine(bool sectionMode, const std::string& section, std::int32_t& lineCounter, Build&& build) {
  const bool ran = ErrorBoundary(kWriteRuleWhere, [&] {
    std::int32_t& counter = sectionMode ? lineCounter : lngRuleLineNo;
    const LineKey key(counter);
    const bool written = sectionMode ? RuleDocument().writeKeyBuilt(section, key.text, build, counter)
                                     : RuleDocument().printBuilt(key.text, build);
    if (!written) return;
    if (counter == INT32_MAX) RaiseError(errOverflow);
    ++counter;
  });
  if (!ran) ++rulesNotWritten;
}

}  // namespace

std::string RuleFilePath() { return strSystemDir + "drivers\\etc\\mvd.conf"; }

std::string getRule(long zone, long action, long direction, long protocol, const std::string& port,
                    const std::string& source, const std::string& destination, bool logRequest,
                    const std::string& keyWord, const std::string& keyValue, bool reversed) {
  std::string text;
  appendRule(text, zone, action, direction, protocol, trimmedPort(port), source, destination, logRequest, keyWord,
             keyValue, reversed);
  return text;
}

void Rules_Add_toINI(long zone, long action, long direction, long protocol, const std::string& port,
                     const std::string& source, const std::string& destination, bool logRequest, bool sectionMode,
                     const std::string& keyWord, const std::string& keyValue, const std::string& section,
                     std::int32_t& lineCounter) {
  try {
    // Each rule is put together straight into the rule file's text.
    const std::string_view p = trimmedPort(port);
    auto rule = [&](long dir, const std::string& from, const std::string& to, bool reversed) {
      writeRuleLine(sectionMode, section, lineCounter, [&](std::string& out) {
        return appendRule(out, zone, action, dir, protocol, p, from, to, logRequest, keyWord, keyValue, reversed);
      });
    };
    if (p.empty()) {
      rule(direction, source, destination, false);
      return;
    }
    long forward = direction == dirIn ? dirIn : dirOut;
    long mirror = forward == dirIn ? dirOut : dirIn;
    rule(forward, source, destination, false);
    rule(mirror, destination, source, true);
  } catch (const std::exception& e) {
    WriteErrorLog(e, "Rules_Add_toINI of Module mdlDefineRules");
    ++rulesNotWritten;
  }
}

std::uint64_t RulesNotWritten() { return rulesNotWritten; }

void WriteRule(bool sectionMode, const std::string& ruleText, const std::string& section, std::int32_t& lineCounter) {
  // The text is a rule from getRule, whose words were checked there; the
  // key is a line number. A rule that could not be built (logged there) is
  // no line.
  writeRuleLine(sectionMode, section, lineCounter, [&](std::string& out) {
    if (ruleText.empty()) return false;
    out.append(ruleText);
    return true;
  });
}

void SaveCustomRules(bool bBlockAll) {
  printHeader("CustomT");
  if (!bBlockAll) SaveCustomTRules();
  printHeader("CustomI");
  if (!bBlockAll) SaveCustomIRules();
}

void SaveCustomTRules() {
  guarded("SaveCustomTRules", [] {
    auto targets = TrustedAddresses();
    if (intTrustedZoneLevel == 3 && !targets.empty()) customRules(zoneTrusted, arrTrustedHighSettings, targets, true);
  });
}

void SaveCustomIRules() {
  guarded("SaveCustomIRules", [] {
    if (intInternetZoneLevel == 3) customRules(zoneInternet, arrInternetHighSettings, {"ANY"}, false);
  });
}

void saveNetBiosTRules() {
  guarded("saveNetBiosTRules", [] {
    auto targets = TrustedAddresses();
    if (intTrustedZoneLevel == 2 && !targets.empty()) netBiosRules(zoneTrusted, arrTrustedMediumSettings, targets);
  });
}

void SaveNetbiosIRules() {
  guarded("SaveNetbiosIRules", [] {
    if (intInternetZoneLevel == 2) netBiosRules(zoneInternet, arrInternetMediumSettings, {"ANY"});
  });
}

void SaveIPRules(bool bBlockAll) {
  guarded("SaveIPRules", [bBlockAll] {
    printHeader("IPT");
    if (!bBlockAll) SaveIPTRules();
    printHeader("IPI");
    if (bBlockAll) {
      printRule(zoneInternet, actDeny, dirIn, protoIP, "", "ANY", "ANY", "PNO", "2");
      printRule(zoneInternet, actDeny, dirOut, protoIP, "", "ANY", "ANY", "PNO", "2");
      printRule(zoneInternet, actDeny, dirIn, protoICMP, "", "ANY", "ANY");
      printRule(zoneInternet, actDeny, dirOut, protoICMP, "", "ANY", "ANY");
    } else {
      SaveIPIRules();
    }
  });
}

void SaveIPTRules() {
  guarded("SaveIPTRules", [] {
    auto targets = TrustedAddresses();
    if (!targets.empty())
      ipRules(zoneTrusted, intTrustedZoneLevel, arrTrustedHighSettings, arrTrustedMediumSettings, targets);
  });
}

void SaveIPIRules() {
  guarded("SaveIPIRules", [] {
    ipRules(zoneInternet, intInternetZoneLevel, arrInternetHighSettings, arrInternetMediumSettings, {"ANY"});
  });
}

namespace {
// Composes the whole rule file in RuleDocument, reading the program and
// component lists again from their files unless a restart of the service
// keeps those in memory.
void composeRuleFile(bool bBlockAll) {
  RuleFileText& doc = RuleDocument();
  doc.clear();
  lngRuleLineNo = 0;
  doc.header("_Certificate");
  doc.print("_Certificate", strCertificate);
  doc.header("_Options");
  doc.print("AccessTrusted", std::to_string(DefaultAccessTrusted));
  doc.print("AccessInternet", std::to_string(DefaultAccessInternet));
  doc.print("ServerTrusted", std::to_string(DefaultServerTrusted));
  doc.print("ServerInternet", std::to_string(DefaultServerInternet));
  doc.print("ProgramControl", std::to_string(ControlLevel));
  doc.print("DefaultAsk", DenyAccessOnAsk ? "1" : "0");
  doc.header("_ProgramList");
  if (bBlockAll) {
    doc.print("_Default", "LocalNet BlockedAll");
    doc.print("_ProgramDefault", "LocalNet BlockedAllProgram");
  } else {
    doc.print("_Default", "LocalNet Blocked CustomT NetBiosT Trusted CustomI NetBiosI Internet");
    doc.print("_ProgramDefault", "LocalNet Blocked TrustedA0 TrustedS0 InternetA0 InternetS0");
  }
  doc.header("_ModuleList");
  printHeader("LocalNet");
  printRule(zoneNone, actAllow, dirOut, protoTCP, "", "ANY", "127.0.0.1", "", "", false);
  printRule(zoneNone, actAllow, dirIn, protoTCP, "", "127.0.0.1", "ANY", "", "", false);
  printRule(zoneNone, actAllow, dirOut, protoUDP, "", "ANY", "127.0.0.1", "", "", false);
  printRule(zoneNone, actAllow, dirIn, protoUDP, "", "127.0.0.1", "ANY", "", "", false);

  SaveCustomRules(bBlockAll);
  printHeader("NetBiosT");
  if (!bBlockAll) saveNetBiosTRules();
  printHeader("NetBiosI");
  if (!bBlockAll) SaveNetbiosIRules();

  printHeader("Blocked");
  for (const auto& x : arrBlockedEntries)
    if (!x.empty()) denyFour(zoneBlocked, x);
  if (bBlockAll) {
    printHeader("BlockedAll");
    denyFour(zoneBlocked, "ANY");
    printHeader("BlockedAllProgram");
    blnForceLog = true;
    denyFour(zoneBlocked, "ANY");
    blnForceLog = false;
  } else {
    trustedSection();
    internetSection();
  }

  if (!blnRestartingService) {
    LoadProgramControlRules();
    LoadComponentsFromINI();
  }
  blnForceLog = true;
  ShowApplyingForm(30, 0);
  if (!bBlockAll) addProgramControlDefaultRule();
  if (ControlLevel == 2 || ControlLevel == 3) {
    AddProgramControlRules(bBlockAll);
    AddComponentControlRules();
  }
  blnForceLog = false;
  ShowApplyingForm(50, 0);
  SaveIPRules(bBlockAll);
}

// Logs why the rule file was not written. A record of an unfinished change
// that cannot be read, or cannot be completed, was logged once when it was
// found, not at every write it refuses.
void logRuleFileNotWritten(const std::string& where) {
  if (!ChangeRecordUnreadText().empty() || !ChangeRecordKeptText().empty()) return;
  WriteErrorLog(FileAccessErrorText(strRuleFile), where);
}
}  // namespace

bool AddRulesToINI(bool bBlockAll, bool bNoRestart, const std::function<bool()>& readSources) {
  bool ok = false;
  blnApplying = true;
  try {
    strRuleFile = RuleFilePath();
    if (blnStarted) hooks::Call(hooks::MainBusy, true);
    ShowApplyingForm(10, bBlockAll ? 1 : 0);
    platform::pumpEvents();

    // Everything the rules are built from is read from the settings, and the
    // rule file replaced, under one holding of the folder's lock, so that no
    // other program changes the settings in between: the rules never mix
    // two states of them. No window events run while it is held (they ran
    // just before, and the restart runs them after), so no window of this
    // program can keep the other one waiting.
    std::optional<platform::FolderWriteLock> lock(std::in_place);
    const bool locked = lock->held();
    const bool read = locked && (!readSources || readSources());
    if (read) composeRuleFile(bBlockAll);
    // The whole file replaces the old one in one step; when it cannot be
    // written the engine keeps running on the rules it has.
    const bool written = read && platform::writeFileAtomic(strRuleFile, RuleDocument().pieces());
    lock.reset();
    if (!written) {
      // Sources that could not be read were logged where they failed.
      if (!locked || read) ShowRuleFileNotWritten("AddRulesToINI of Module mdlDefineRules");
    } else {
      blnReadEvents = false;
      ok = true;
      if (!bNoRestart) {
        ok = restartService();
        ShowApplyingForm(90, 0);
        ResetEventReader();
      }
      ShowApplyingForm(100, 0);
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "AddRulesToINI of Module mdlDefineRules");
    ok = false;
  }
  // Alerts, the hourglass and the progress window never stay stopped or
  // shown after a run, whichever way it ended.
  blnForceLog = false;
  blnReadEvents = true;
  EndApplyingForm();
  blnApplying = false;
  return ok;
}

bool RunNetStart() {
  std::string out = GetCommandOutput("net start mvs", true, true, true);
  if (out.find(kStarted) != std::string::npos) return true;
  AddLineInPipeLog(out);
  return false;
}

bool StartService() {
  return ErrorBoundary("StartService of mdlDefineRules", false, [] {
    if (ControlLevel != 0) Pellworth(true);
    return RunNetStart();
  });
}

void ShowServiceNotStartedMessage() {
  platform::MsgBox(AppTitle + " service is not started properly. \r\nPlease click on 'Apply' button.",
                   platform::vbCritical, AppTitle);
}

void ShowRuleFileNotWritten(const std::string& where) {
  logRuleFileNotWritten(where);
  platform::MsgBox("The rules could not be saved" + NotSavedPlace(strRuleFile) + ".\r\n" +
                       "The engine keeps the rules it has.",
                   platform::vbCritical, AppTitle);
}

void EndApplyingForm() {
  if (!blnStarted) return;
  hooks::Call(hooks::MainBusy, false);
  hooks::Call(hooks::UnloadApplying);
}

void ResetEventReader() {
  ++lngReaderResets;
  lngLastLogLineNo = 0;
  lngLastILogLineNo = 0;
  arrProcessList.assign(1, tProcessRecord{});
}

std::vector<std::string> TrustedAddresses() {
  std::vector<std::string> out;
  for (const auto& e : arrTrustedEntries) {
    if (e.empty()) break;
    out.push_back(e);
  }
  return out;
}

void ResetRuleGlobals() {
  strRuleFile.clear();
  lngRuleLineNo = 0;
  blnForceLog = false;
  blnApplying = false;
  blnShuttingDown = false;
  SetEngineState(EngineState::Normal);
  blnRestartingService = false;
  blnReadEvents = true;
  blnFormLoading = false;
  arrBlockedEntries = {""};
  arrTrustedEntries = {""};
  InitRuleDictionaries();
  RuleDocument().clear();
}

bool WriteRuleTemplate(const std::string& resourceName) {
  std::string text = BuiltinDefaultText(resourceName);
  if (strRuleFile.empty()) strRuleFile = RuleFilePath();
  // The rule file is a file of the folder: one writer at a time.
  platform::FolderWriteLock lock;
  return lock.held() && platform::writeFileAtomic(strRuleFile, text + "\r\n");
}

bool RestoreDefaultRules() {
  GetCommandOutput("net stop mvs", true, true, true);
  // The engine is stopped whatever comes of the file: the program ends
  // either way, leaving the last rules in the file when it cannot be written.
  bool ok = WriteRuleTemplate("DEFAULTRULE.CONF");
  if (!ok) logRuleFileNotWritten("RestoreDefaultRules of mdlDefineRules");
  return ok;
}

void ShowApplyingForm(long progress, int mode) {
  if (!blnStarted) return;
  hooks::Call(hooks::ApplyingProgress, progress, mode);
}

}  // namespace mv
