#include "programs/mdlProgramOptions.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <utility>

#include "core/VBRuntime.h"
#include "core/mdINIBas.h"
#include "core/mdlMain.h"
#include "platform/PrivateProfile.h"
#include "programs/ParsePortEntry.h"
#include "programs/mdlProgramControl.h"

namespace mv {

namespace {

const std::string kSetValues = "setValues of Form frmProgramControlProgramOption";
const std::string kSaveData = "SaveData of Form frmProgramControlProgramOption";
const std::string kCustomPrefix = "Custom_";

// The preset number of a list element ("7"), or 0 when it names none.
int presetNumber(const std::string& piece) {
  double n = Val(piece);
  if (n < 1 || n > 10 || n != std::floor(n)) return 0;
  return static_cast<int>(n);
}

// The mode 0, 1 or 2 that a stored number stands for; nothing for any other
// number. The range is tested before the number is made an int.
std::optional<int> optionMode(float stored) {
  if (!(stored >= 0 && stored <= 2) || stored != std::floor(stored)) return std::nullopt;
  return static_cast<int>(stored);
}

bool beginsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// A key Custom_<digits>, as the options write them.
bool isCustomKey(const std::string& key) {
  if (key.size() <= kCustomPrefix.size() || !SameText(key.substr(0, kCustomPrefix.size()), kCustomPrefix)) return false;
  return std::all_of(key.begin() + static_cast<long>(kCustomPrefix.size()), key.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The preset numbers of a stored list ("6,7"); an element that names no
// preset is logged and left out.
std::vector<int> presetList(const clsProgramList& program, const std::string& list, const std::string& key) {
  std::vector<int> numbers;
  for (const auto& piece : Split(list, ",")) {
    if (piece.empty()) continue;
    if (int n = presetNumber(piece)) {
      numbers.push_back(n);
      continue;
    }
    WriteErrorLog("Invalid preset number (" + piece + ") in " + key + " of " + program.ProgramName, kSetValues);
  }
  return numbers;
}

void addPairs(clsProgramList& program, const std::string& text) {
  std::string refused;
  const auto pairs = ParsePortEntry(text, &refused);
  if (!refused.empty())
    WriteErrorLog("Port refused (" + refused + ") in an entry of " + program.ProgramName + ": " + text,
                  "CollectPortPairs of Module mdlProgramOptions");
  for (const auto& [protocol, port] : pairs) {
    program.CustomProtocols.push_back(protocol);
    program.CustomPorts.push_back(port);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Presets.

std::string PresetKey(int number) { return "Ports" + FormatNumber(number, "00"); }

int PresetNumberOfKey(const std::string& key) {
  if (key.size() < 7 || !beginsWith(key, "Ports")) return 0;
  return presetNumber(key.substr(key.size() - 2));
}

std::string PresetText(int number) {
  if (number < 1 || number > static_cast<int>(arrServerNames.size())) return "";
  return arrServerNames[static_cast<size_t>(number - 1)];
}

std::vector<int> ServerCommandPresets(const std::string& command) {
  if (command == "mnuwebServers") return {1, 2, 3};
  if (command == "mnuFtpServers") return {4};
  if (command == "mnuDNSServers") return {5};
  if (command == "mnuDhcpServers") return {6};
  if (command == "mnuMailServers") return {7, 8, 9};
  if (command == "mnuNewsServers") return {10};
  return {};
}

int AddServerPresets(std::vector<PortEntry>& entries, const std::string& command) {
  int added = 0;
  for (int n : ServerCommandPresets(command)) {
    const std::string text = PresetText(n);
    if (text.empty()) continue;
    bool listed = std::any_of(entries.begin(), entries.end(), [&](const PortEntry& e) { return SameText(e.Text, text); });
    if (listed) continue;
    entries.push_back(PortEntry{text, true, PresetKey(n)});
    ++added;
  }
  return added;
}

// ---------------------------------------------------------------------------
// Reading.

ProgramOptions ReadProgramOptions(const clsProgramList& program, const std::string& file) {
  ProgramOptions options;
  // A stored number that is not one of the modes (a fraction, a number far
  // beyond any int, not a number at all) counts as unreadable.
  if (std::optional<int> allow = optionMode(program.AllowAccess)) options.AllowAccess = *allow;
  if (std::optional<int> authenticate = optionMode(program.Authenticate)) options.Authenticate = *authenticate;
  options.ICMP = program.ICMP_Protocol;
  options.IGMP = program.IGMP_Protocol;

  // Preset entries, then their checks; an element that names no preset is
  // passed over, so the entries after it are kept and stored again.
  for (int n : presetList(program, program.Ports, "Ports"))
    options.Entries.push_back(PortEntry{PresetText(n), false, PresetKey(n)});
  for (int n : presetList(program, program.CheckedPorts, "CheckedPorts")) {
    const std::string text = PresetText(n);
    auto it = std::find_if(options.Entries.begin(), options.Entries.end(),
                           [&](const PortEntry& e) { return e.Text == text; });
    if (it != options.Entries.end()) it->Checked = true;
  }

  // Custom entries: the entry text and its flag "_1" (checked) or "_0".
  for (long k = 1; k <= program.NoCustomizePorts; ++k) {
    const std::string key = kCustomPrefix + std::to_string(k);
    const std::string v = ReadINI(program.ProgramName, key, "", file, true);
    if (v.size() < 2) {
      WriteErrorLog("Missing custom port entry (" + key + ") of " + program.ProgramName, kSetValues);
      continue;
    }
    const char flag = v.back();
    if (flag < '0' || flag > '9') {
      // No flag behind the entry: it is kept whole, unchecked.
      WriteErrorLog("Custom port entry without its flag (" + key + ") of " + program.ProgramName, kSetValues);
      options.Entries.push_back(PortEntry{v, false, key});
      continue;
    }
    options.Entries.push_back(PortEntry{v.substr(0, v.size() - 2), flag == '1', key});
  }
  return options;
}

// ---------------------------------------------------------------------------
// Saving.

void CollectPortPairs(clsProgramList& program) {
  program.CustomProtocols.clear();
  program.CustomPorts.clear();
  // A piece that names no preset is passed over.
  for (const auto& piece : Split(program.CheckedPorts, ",")) {
    int n = presetNumber(piece);
    if (n != 0) addPairs(program, PresetText(n));
  }
  for (const auto& entry : program.CustomEntries) {
    auto us = entry.rfind('_');
    std::string flag = us == std::string::npos ? entry : entry.substr(us + 1);
    if (Val(flag) == 1) addPairs(program, entry);
  }
}

bool SaveData(clsProgramList& program, const ProgramOptions& options, const std::string& file) {
  const std::string& section = program.ProgramName;
  auto data = platform::profileRead(file);
  const platform::ProfileSection* stored = data->section(section);
  if (!stored) {
    WriteErrorLog("The program's section is missing (" + section + ")", kSaveData);
    return false;
  }
  std::vector<std::pair<std::string, std::string>> old;
  for (const auto& e : stored->entries) old.emplace_back(e.key, DecryptString(e.value, stored->name));
  auto oldValue = [&](const std::string& key) {
    for (const auto& [k, v] : old)
      if (SameText(k, key)) return v;
    return std::string();
  };

  // The lists: presets by number, custom entries by their place.
  std::string ports, checked;
  std::vector<std::string> custom;
  for (const PortEntry& e : options.Entries) {
    if (beginsWith(e.Key, "Ports")) {
      int n = PresetNumberOfKey(e.Key);
      if (n == 0) {
        WriteErrorLog("Invalid preset entry (" + e.Key + ")", kSaveData);
        continue;
      }
      const std::string number = std::to_string(n);
      ports += (ports.empty() ? "" : ",") + number;
      if (e.Checked) checked += (checked.empty() ? "" : ",") + number;
    } else if (beginsWith(e.Key, "Custom")) {
      // Stored as WriteINI stores a value: blanks in front dropped.
      custom.push_back(LTrim(e.Text + (e.Checked ? "_1" : "_0")));
    }
  }

  std::string allow = oldValue(ProgramSectionKey(psAllowAccess));
  if (options.AllowAccess >= 0 && options.AllowAccess <= 2) allow = std::to_string(options.AllowAccess);
  std::string authenticate = oldValue(ProgramSectionKey(psAuthenticate));
  if (options.Authenticate >= 0 && options.Authenticate <= 2) authenticate = std::to_string(options.Authenticate);
  const std::string count = custom.empty() ? "" : std::to_string(custom.size());

  // The whole section in its fixed order, the order the file's format gives.
  // The custom entries follow, then any other key the section held.
  std::vector<std::pair<std::string, std::string>> keys;
  for (size_t i = 0; i < ProgramSectionKeys.size(); ++i) {
    const auto entry = static_cast<ProgramSectionEntry>(i + 1);
    const std::string key = ProgramSectionKeys[i];
    std::string value;
    switch (entry) {
      case psAllowAccess: value = allow; break;
      case psPorts: value = ports; break;
      case psICMPProtocol: value = options.ICMP ? "1" : "0"; break;
      case psIGMPProtocol: value = options.IGMP ? "1" : "0"; break;
      case psAuthenticate: value = authenticate; break;
      case psCheckedPorts: value = checked; break;
      case psNoCustomizePorts: value = count; break;
      default: value = oldValue(key); break;
    }
    keys.emplace_back(key, value);
  }
  for (size_t k = 0; k < custom.size(); ++k) keys.emplace_back(kCustomPrefix + std::to_string(k + 1), custom[k]);
  for (const auto& entry : old) {
    bool known = std::any_of(ProgramSectionKeys.begin(), ProgramSectionKeys.end(),
                             [&entry](const char* name) { return SameText(entry.first, name); });
    if (!known && !isCustomKey(entry.first)) keys.push_back(entry);
  }
  if (!WriteINISection(section, keys, file, true)) return false;

  // The object follows what was stored.
  program.AllowAccess = ValSingle(allow, -1);
  program.Authenticate = ValSingle(authenticate, 0);
  program.ICMP_Protocol = options.ICMP;
  program.IGMP_Protocol = options.IGMP;
  program.Ports = ports;
  program.CheckedPorts = checked;
  program.NoCustomizePorts = static_cast<std::int16_t>(custom.size());
  program.CustomEntries = custom;
  CollectPortPairs(program);
  return true;
}

// ---------------------------------------------------------------------------
// Custom port entries.

std::string CheckCustomPort(const CustomPortInput& input) {
  if (!input.TCP && !input.UDP) return "Please check TCP or UDP ports or both.";
  if (input.From.empty()) return "Please enter port(s) number between 1 to 65,535.";
  double from = Val(input.From), to = Val(input.To);
  if (from != 0 && to != 0 && from > to) return "Please enter a valid port(s) range.";
  return "";
}

std::string CustomPortEntryText(const CustomPortInput& input) {
  std::string protocols = input.TCP && input.UDP ? "TCP and UDP" : (input.TCP ? "TCP" : "UDP");
  std::string text = input.Description + " (" + protocols + " port " + input.From;
  bool single = input.To.empty() || input.To == input.From || Val(input.To) == 0;
  return text + (single ? " )" : "-" + input.To + ")");
}

std::string NextCustomKey(const std::vector<std::string>& keys) {
  std::set<std::string> used(keys.begin(), keys.end());
  long n = 1 + std::count_if(keys.begin(), keys.end(), [](const std::string& k) { return beginsWith(k, "Custom"); });
  while (used.count(kCustomPrefix + std::to_string(n))) ++n;
  return kCustomPrefix + std::to_string(n);
}

std::string KeepPortInRange(const std::string& text, bool fromBox) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits += c;
  if (digits.empty() && !fromBox) return "";
  // Leading zeros are dropped; a long run of digits is simply too large.
  size_t first = digits.find_first_not_of('0');
  std::string number = first == std::string::npos ? "0" : digits.substr(first);
  long value = number.size() > 5 ? 65536 : std::stol(number);
  if (value > 65535) value = 65535;
  if (fromBox && value < 1) value = 1;
  return std::to_string(value);
}

std::string CleanDescription(const std::string& text) {
  std::string out;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || ch == '(' || ch == ')') continue;
    out += ch;
  }
  return out;
}

}  // namespace mv
