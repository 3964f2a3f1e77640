#pragma once
// The port and protocol options of one program: what the options dialog
// shows (read from the program's object and its custom keys in
// ProgramControl.MVL), how it stores them (SaveData), the server presets of
// the "Add >>" menu and the custom port entries of the "Range of Ports"
// dialog. No widgets here: the dialogs hand their controls' state in and out
// as plain values.
#include <string>
#include <vector>

#include "programs/clsProgramList.h"

namespace mv {

// One line of the options dialog's port list.
struct PortEntry {
  std::string Text;      // display text, "Label (TCP port 80)"
  bool Checked = false;  // allowed (AllowAccess 1) or excepted (AllowAccess 2)
  std::string Key;       // "Ports01".."Ports10" for a preset, "Custom_<n>" for a custom entry
};

// The choices of the options dialog.
struct ProgramOptions {
  int AllowAccess = -1;   // 0 all ports, 1 only the checked, 2 all but the checked; -1 none chosen
  int Authenticate = -1;  // 0 program and component, 1 program only, 2 component only; -1 none chosen
  bool ICMP = false;
  bool IGMP = false;
  std::vector<PortEntry> Entries;
};

// ---------------------------------------------------------------------------
// Presets.

// "Ports" and the preset number in two digits ("Ports07").
std::string PresetKey(int number);
// The preset number (1-10) of an entry key beginning with "Ports"; 0 when the
// key names no preset.
int PresetNumberOfKey(const std::string& key);
// The text of preset 1-10; "" for any other number.
std::string PresetText(int number);
// The presets a server command of the "Add >>" menu adds, in order
// ("mnuMailServers" gives 7, 8, 9); none for another name.
std::vector<int> ServerCommandPresets(const std::string& command);
// Appends the presets of the command, each checked, unless an entry with the
// same text (ignoring case) is listed already. The number of entries added.
int AddServerPresets(std::vector<PortEntry>& entries, const std::string& command);

// ---------------------------------------------------------------------------
// Reading and saving.

// The dialog's options for the program: its access and authentication codes,
// protocol flags, its preset entries (Ports, checked by CheckedPorts) and
// then its custom entries (the keys Custom_1.. of its section in `file`). A
// number that names no preset or a custom value too short to hold an entry is
// passed over and logged; the rest is read.
ProgramOptions ReadProgramOptions(const clsProgramList& program, const std::string& file);

// Stores the options in the program's section of `file` and, once they are
// stored, gives the program's object the values that the rule writer's
// loader reads from that section. The section keeps its fixed key order, the
// custom entries are numbered from 1 in list order and no Custom_<n> key is
// left behind them. False when the section is missing or the file could not
// be written: then neither the file nor the object has changed.
bool SaveData(clsProgramList& program, const ProgramOptions& options, const std::string& file);

// The (protocol, port) pairs the rules of a program are made from: the
// checked presets (CheckedPorts) and then the checked custom entries
// (CustomEntries ending in "_1"), into CustomProtocols and CustomPorts.
void CollectPortPairs(clsProgramList& program);

// ---------------------------------------------------------------------------
// Custom port entries.

struct CustomPortInput {
  std::string Description;
  std::string From;  // digits
  std::string To;    // digits, or "" for a single port
  bool TCP = true;
  bool UDP = true;
};

// "" when the input makes an entry, else the message that says why not.
std::string CheckCustomPort(const CustomPortInput& input);
// The entry text: "Web (TCP and UDP port 80 )" for one port, "Web (UDP port
// 1000-2000)" for a range. A To of 0 means one port.
std::string CustomPortEntryText(const CustomPortInput& input);
// The key of a new custom entry: "Custom_" and one more than the number of
// custom keys listed, or the next number not in use.
std::string NextCustomKey(const std::vector<std::string>& keys);
// A port box's text kept in range as the user types: digits only, no
// leading zeros, at most 65535; the From box at least 1.
std::string KeepPortInRange(const std::string& text, bool fromBox);
// A description as it may stand in an entry: printable characters without
// "(" and ")" (the entry's port is read from its bracket).
std::string CleanDescription(const std::string& text);

}  // namespace mv
