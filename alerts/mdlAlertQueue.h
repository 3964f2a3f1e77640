#pragma once
// Packet events become alerts: each gets its status, an unlisted program is
// added to the program list on the way, a repeated alert only raises the
// count of the queued one, and the queue is shown in the alert pop-up and
// written to the two alert logs (the scrambled qtrLogs.MVL and the plain log
// in the user's file).
#include <cstdint>
#include <string>
#include <vector>

#include "alerts/mdlEventReader.h"
#include "core/Collection.h"

namespace mv {

// One alert. Columns 0 to 9 and 13 to 15 are set through addInLog.
struct tAlertRecord {
  double AlertDate = 0;  // [0] the day the alert was built (date serial)
  double AlertTime = 0;  // [1] the time of the event
  std::string Column2;   // [2] source address
  std::string Column3;   // [3] destination address
  std::string Column4;   // [4] "Incoming" or "Outgoing"
  std::string Column5;   // [5] program: display name, full path or ""
  std::string Column6;   // [6] protocol text
  std::string Column7;   // [7] status: an alert label or the engine's text
  std::string Column8;   // [8] "Allow" or "Deny"
  std::string Level;     // [9] "High" or "Medium"
  std::string DupKey;    // the engine line; "" only in the empty element 0
  std::int32_t Count = 0;
  std::int16_t DoNotShow = 0;  // the pop-up's "don't show again" tick
  std::string Column13;   // [13] process ID of a listed program
  std::string PlainLine;  // [14] the line of the plain log
  std::string QtrLine;    // [15] the line of qtrLogs.MVL, before count and scrambling
  tEventRecord Event;
};

// Element 0 is empty; alerts occupy 1 to the end, the newest last.
inline std::vector<tAlertRecord> arrAlertQueue(1);
// The pop-up is up.
inline std::int16_t blnAlertShowing = 0;
// The next request to show the pop-up is skipped.
inline std::int16_t blnSkipNextAlert = 0;

// Alert label numbers (arrAlertLabels).
enum AlertLabel { LabelProtected = 0, LabelNewProgram = 1, LabelRepeatProgram = 2, LabelBlocked = 5 };
// The label's text ("" before start-up has filled the labels).
std::string AlertLabelText(int label);

// The handler of packet lines.
void ProcessPacketEvent(tEventRecord record, const std::string& line);
// True when an alert with the record's duplicate key is queued: its count
// is raised and the pop-up refreshed.
bool IsAlertQueued(const tEventRecord& record);
// The duplicate key: action, protocol, direction and the addresses.
std::string leftComapreStr(const tEventRecord& record);
// 1-based index of the first item equal to `text` ignoring case; -1 if none.
long FindInCollection(const Collection<std::string>& collection, const std::string& text);

// Fill the protocol, and the program and status columns, of the alert being
// built for the record.
void SetAlertProtocol(tEventRecord& record, tAlertRecord& alert, std::string& plainLine, std::string& qtrLine);
void SetAlertProgram(tEventRecord& record, tAlertRecord& alert, std::string& plainLine, std::string& qtrLine);
// Sets column `column` of the alert being built and extends its two lines.
void addInLog(tAlertRecord& alert, int column, const std::string& value, std::string& plainLine,
              std::string& qtrLine);

// After an event, with pop-ups on: shows the newest alert or logs it alone.
void DisplayAlert();
// Shows the pop-up, or refreshes it when it is up.
void showAlerts();
// Writes every queued alert to both logs when logging is on; empties the
// queue.
void FlushAlertQueue();
// A whole queue to qtrLogs.MVL and to the plain log.
void AddLineInQTRLog(const std::vector<tAlertRecord>& queue);
void AddLineInBegin(const std::vector<tAlertRecord>& queue);
// One alert's line to qtrLogs.MVL and to the plain log.
void AddSingleLineInLog(const std::string& qtrLine);
void AddSingleLineInBegin(const std::string& plainLine);

// Lines of qtrLogs.MVL. The text is scrambled as a whole; a scrambled byte
// that would end the line (CR, LF) is written as "%0D" or "%0A", and "%"
// itself as "%25", so that one alert stays one line. A line of plain
// ASCII text never needs this.
std::string QtrLogFileLine(const std::string& text);
// The text of one line of the file (without its line end).
std::string QtrLogLineText(const std::string& fileLine);

// Empties the queue and clears the pop-up flags.
void ResetAlertQueueGlobals();

}  // namespace mv
