#pragma once
// Where the engine-event reader stands in today's two engine logs, and the
// running processes the engine has reported. Engine control resets them after
// every restart, Lock and Stop, so the reader starts again at the first line.
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

struct tProcessRecord {
  std::string PID;
  std::string ProgramPath;
  std::int16_t Active = 0;
};

inline std::vector<tProcessRecord> arrProcessList(1);
inline std::int32_t lngLastLogLineNo = 0;
inline std::int32_t lngLastILogLineNo = 0;
// How often engine control has put the reader back, so that a reader in the
// middle of a tick sees it even when a cursor stood at 0.
inline std::uint32_t lngReaderResets = 0;

// Minutes without traffic or engine events: the reader resets it for every
// engine line, the timer form for traffic; counted only while the idle-time
// lock is chosen.
inline std::int16_t intIdleMinutes = 0;

}  // namespace mv

namespace mv {
// The status texts of alerts, by status number.
inline std::vector<std::string> arrAlertLabels;
}  // namespace mv
