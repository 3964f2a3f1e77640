#pragma once
// The custom rows of each zone's Medium and High level as the editor shows
// them, their defaults, the key filter of the port box, and their storage in
// the port-setting table, the two port tables and the in-memory arrays.
#include <optional>
#include <string>
#include <vector>

#include "zones/mdlMain.h"

namespace mv {

// The editor's four lists.
enum class CustomList : int { HighTrusted = 1, MediumTrusted = 2, HighInternet = 3, MediumInternet = 4 };

// The row captions of a High list (13) and a Medium list (12).
const std::vector<std::string>& HighRowTexts();
const std::vector<std::string>& MediumRowTexts();
const std::vector<std::string>& RowTexts(CustomList list);

bool IsHighList(CustomList list);
long ListZone(CustomList list);
long ListLevel(CustomList list);
// True for the port rows (1-based): 10 to 13 of a High list, 9 to 12 of a Medium list.
bool IsPortRow(CustomList list, int row);
// The in-memory array behind the list.
std::vector<PortSettingRec>& SettingsOf(CustomList list);

// What the ranges of a port row are for: the port table that holds them and
// the zone, level and port type (1 outgoing, 2 incoming) they stand for.
struct PortRowOwner {
  long table, zone, level, portType;
};
// The port row whose row section ("0049") a port-table row names in its ID;
// none when the ID names no port row.
std::optional<PortRowOwner> PortRowOfSection(const std::string& section);

// One row of a list: its tick, its text, and whether it changed since it was
// last stored (the row's Tag).
struct CustomRow {
  bool Checked = false;
  std::string Text;
  bool Tag = false;
};

// The rows of the list as stored in memory: captions, ticks, and the port
// texts after the captions of the port rows.
std::vector<CustomRow> LoadCustomRows(CustomList list);

// The part of a row text after its first ":"; the text up to and including
// that ":" followed by new ports.
std::string PortsOfRow(const std::string& text);
std::string WithPorts(const std::string& text, const std::string& ports);

// Reset Defaults of one tab: every row off, then DNS, DHCP and broadcast on
// in the High list and, on the Internet tab, incoming NetBIOS blocked in the
// Medium list. Every row that was or becomes ticked is marked.
void ResetCustomDefaults(std::vector<CustomRow>& high, std::vector<CustomRow>& medium, bool internet);

// Whether a typed character may enter the port box holding `boxText`
// (key 8 is Backspace).
bool PortKeyPasses(const std::string& boxText, int key);

// "" when every item of the port text is a port or range of ports 1 to
// 65535; otherwise the message to show.
std::string PortListProblem(const std::string& ports);

// One list handed to SaveChanges: its rows and whether it has unsaved changes.
struct CustomListEdit {
  CustomList list;
  bool changed;
  std::vector<CustomRow>* rows;
};

// Stores the marked rows of every changed list (High Internet, Medium
// Internet, High Trusted, Medium Trusted): the tick, and for port rows the
// port text and the port ranges; clears the Tag of each stored row. A marked
// port row with a port outside 1 to 65535 stops the save before anything is
// stored, with a message. Every marked row is stored or none, in one change
// that a kill at any moment leaves whole after the next start: when it cannot
// be stored, the user is told, memory stays as the files hold it and every
// row stays marked. False when anything was refused or not stored.
bool SaveChanges(const std::vector<CustomListEdit>& lists);

// Stores one port row in the tables: its port text, its tick, and, when the
// row is ticked, one port-table row per port or range. Protocol 0 TCP, 1 UDP;
// port type 1 outgoing, 2 incoming. Stored whole or not at all; false when it
// was not stored. Inside a save of several rows it joins that save's change,
// and SaveChanges updates memory once the whole save is stored.
bool SavePorts(long zone, long level, const std::string& rowText, long protocol, long portType,
               const std::string& rowSection, bool checked);

}  // namespace mv
