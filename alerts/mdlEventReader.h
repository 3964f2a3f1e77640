#pragma once
// The reader of the engine's daily event logs. The engine appends one line
// per event to two logs a day ("yyyymmdd.log" and "yyyymmddi.log" in the
// engine log folder), each an INI file whose section "Logs" holds the lines
// under their ten-digit line numbers. Every read tick takes the lines added
// since the last one, checks and classifies each, turns it into an event
// record and hands the record to the handler of its kind.
#include <cstdint>
#include <string>

namespace mv {

// Kinds of engine lines.
enum EventKind : std::uint8_t {
  KindInvalid = 0,
  KindProcessStart = 1,  // "NP": date, NP, process ID, program path
  KindProcessEnd = 2,    // "DP": date, DP, process ID, program path
  KindModule = 3,        // "NM": date, NM, module path, access number
  KindAccess = 4,        // "CR": date, CR, process ID, program path, zone, request kind, answer
  KindPacket = 5         // "0"/"1": a packet allowed or denied, twelve fields
};

// One parsed engine line.
struct tEventRecord {
  std::int32_t Valid = 0;  // -1 for a parsed line, 0 for an invalid one
  std::int32_t Kind = 0;
  double EventDate = 0;  // date serial of field 0
  std::int32_t Action = 0;     // 0 Allow, 1 Deny
  std::int32_t Protocol = 0;   // 0 TCP, 1 UDP, 2 ICMP, 3 IGMP
  std::int32_t Direction = 0;  // 0 incoming, 1 outgoing
  std::string SourceIP;
  std::string DestIP;
  std::string ProgramPath;  // for ICMP packets the ICMP type number
  std::string Text1;        // the process ID
  std::string Text2;        // the packet's event text
  std::int32_t Level = 0;   // 0 High, 1 Medium
  std::string SourcePort;
  std::string DestPort;
  std::uint8_t Number1 = 0;  // NM: the component's right
  std::int32_t Number2 = 0;  // CR: the answer less 1 (0 Allow, 1 Ask, 2 Block)
  std::int32_t Number3 = 0;  // CR: the zone (1 Trusted, 2 Internet)
  std::int32_t Number4 = 0;  // CR: the request kind (1 server, 2 access)
};

// The kind of one line; KindInvalid for a line that is none of the kinds.
std::uint8_t validateLogStr(const std::string& line);

// Splits a line into its record. A line of no kind gives Valid 0; a field
// that does not convert (a date, a number, an access number above 255)
// raises RuntimeError.
tEventRecord ParseLogLine(const std::string& line);

// Writes "Local Address" for every "0.0.0.0" that stands as a whole address
// (no digit or "." beside it): "0.0.0.0:80" changes, "10.0.0.0" does not.
std::string ReplaceLocalAddress(const std::string& line);

// One read tick: every line added to today's two logs since the last tick,
// the first log first. A tick that starts while another one is reading (in
// its yield to the window events) does nothing.
void CheckNewAlertsGenerates();

// The path of a day's first or second log ("yyyymmdd" day).
std::string EngineEventLogPath(const std::string& day, bool secondLog);

// Puts the reader back to its start: cursors at 0, nothing read.
void ResetEventReaderGlobals();

}  // namespace mv
