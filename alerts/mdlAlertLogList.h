#pragma once
// The alert list of the alerts-and-logs page, read from qtrLogs.MVL: one
// alert a line, the line's text scrambled as a whole with the log key (a
// scrambled byte that would end the line, CR or LF, is kept as "%0D" or
// "%0A", and "%" itself as "%25"). Unscrambled, a line holds twelve fields
// joined by ",": level, date and time, action, protocol, direction, source,
// destination, program, status, source port, destination port, count.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace mv {

// The cells of one row of the list: Date/Time, Action, Protocol, Direction,
// Source IP, Dest IP, Program, Type, Count.
constexpr std::size_t AlertListColumns = 9;
using AlertRow = std::array<std::string, AlertListColumns>;

// The column headers, in the order of the cells.
const AlertRow& AlertListHeaders();


// True when the text holds "," and splits at "," into exactly 12 fields.
bool checkValidLog(const std::string& text);

// The cells of a valid line's text; a cell after the first whose field,
// trimmed, is "0" is empty.
AlertRow AlertRowOf(const std::string& text);

// The alerts of the newest `count` lines of the file, newest first. Empty or
// invalid lines among them are passed over (no older line takes their place);
// a missing file, or a count below 1, gives none.
std::vector<AlertRow> ReadNewestAlerts(const std::string& file, long count);

// The details text of a row, lines joined by CR LF.
std::string AlertDetailsText(const AlertRow& row);

// The Date/Time cell as a date serial (days since 30 December 1899, the time
// as the fraction): the day the alert was logged ("yyyy/mm/dd"), or the
// event's own date when the cell holds one ("dd/mm/yyyy"), and the time.
// False when the cell holds no date.
bool AlertDateSerial(const std::string& cell, double& serial);

// The help text under the switches, and the text under the list.
std::string AlertsMainFooterText();
std::string LogViewerFooterText(const std::string& countText, const std::string& logPath);

}  // namespace mv
