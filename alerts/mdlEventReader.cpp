#include "alerts/mdlEventReader.h"

#include "rules/RuleText.h"

#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "alerts/mdlAlertQueue.h"
#include "alerts/mdlEventGlobals.h"
#include "alerts/mdlProcessEvents.h"
#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/ProfileText.h"

namespace mv {

namespace {

const std::string kReaderError = "CheckNewAlertsGenerates of Module mdlAlertsAndLogs";
constexpr std::size_t kKeyDigits = 10;
// An unfinished last line (no line end yet) is taken as it stands only when
// the file has not grown for this many ticks: the engine is done with it.
constexpr int kUnfinishedLinePatience = 4;
// The most a refresh reads of a log, and about the most of its lines held at
// once: a burst of engine lines is taken in bites over the following ticks,
// in order, so memory stays bounded whatever arrives.
constexpr std::uint64_t kReadBite = 1 << 20;

// One engine log, followed as it grows. Each refresh parses only the bytes
// added since the last one; the lines not yet taken are kept by number.
class EngineLog {
 public:
  void follow(const std::string& path) {
    if (path == path_) return;
    path_ = path;
    restart();
  }

  // Forgets what was read: the next refresh reads the file from its start.
  void restart() {
    lines_.clear();
    offset_ = 0;
    device_ = inode_ = 0;
    taken_ = 0;
    heldBytes_ = 0;
    more_ = false;
    inLogs_ = logsDone_ = false;
    unfinishedSize_ = 0;
    unfinishedTicks_ = 0;
  }

  // Reads the file from its start again, where the cursor stands: the lines
  // behind it are not held again (a file read anew from the start would
  // otherwise fill the bite with them and never reach the cursor).
  void reopen() {
    const long taken = taken_;
    restart();
    taken_ = taken;
  }

  // Takes in the next bite of what the engine has appended, unless a bite's
  // worth of lines is still waiting to be taken. A file that was replaced or
  // became shorter is read again from its start.
  void refresh() {
    if (heldBytes_ >= kReadBite) return;
    platform::FileTail tail = platform::readFileTail(path_, offset_, kReadBite);
    if (!tail.exists) {
      if (offset_ != 0 || !lines_.empty()) reopen();
      return;
    }
    if (tail.device != device_ || tail.inode != inode_ || tail.size < offset_) {
      const bool readFromStart = offset_ == 0;
      reopen();
      device_ = tail.device;
      inode_ = tail.inode;
      if (!readFromStart) tail = platform::readFileTail(path_, 0, kReadBite);
    }
    std::string_view bytes = tail.bytes;
    const bool toEnd = offset_ + bytes.size() >= tail.size;
    std::size_t end = bytes.rfind('\n');
    std::size_t complete = end == std::string_view::npos ? 0 : end + 1;
    // A line longer than a whole bite is taken in pieces.
    if (!toEnd && complete == 0) complete = bytes.size();
    parse(bytes.substr(0, complete));
    offset_ += complete;
    more_ = offset_ < tail.size;
    // The rest of a cut line comes with the next bite.
    if (!toEnd) return;
    std::string_view rest = bytes.substr(complete);
    if (rest.empty()) {
      unfinishedTicks_ = 0;
      return;
    }
    // The engine may still be writing its last line.
    if (rest.size() == unfinishedSize_) {
      if (++unfinishedTicks_ >= kUnfinishedLinePatience) {
        parse(rest);
        offset_ += rest.size();
        unfinishedTicks_ = 0;
        unfinishedSize_ = 0;
      }
    } else {
      unfinishedSize_ = rest.size();
      unfinishedTicks_ = 0;
    }
  }

  // The line under the number, when it is there and not empty.
  std::optional<std::string> line(long number) {
    if (number <= taken_) {
      // The cursor went back (the engine was restarted): read the file anew.
      restart();
      refresh();
    }
    auto it = lines_.find(number);
    if (it == lines_.end() || it->second.empty()) return std::nullopt;
    return it->second;
  }

  // The cursor stands at `number`: nothing up to it is read again.
  void forgetUpTo(long number) {
    if (number <= taken_) return;
    const auto last = lines_.upper_bound(number);
    for (auto it = lines_.begin(); it != last; ++it) heldBytes_ -= it->second.size();
    lines_.erase(lines_.begin(), last);
    taken_ = number;
  }

  // True while every line in hand is taken and the file holds more beyond
  // the last bite: the rest of a burst, which the next tick reads.
  bool pending() const { return more_ && lines_.empty(); }

 private:
  void parse(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
      std::size_t nl = bytes.find('\n', pos);
      if (nl == std::string_view::npos) nl = bytes.size();
      parseLine(bytes.substr(pos, nl - pos));
      pos = nl + 1;
    }
  }

  // As the profile reader sees the file: the first "Logs" section, keys of
  // ten digits, the first of two equal keys.
  void parseLine(std::string_view text) {
    platform::ProfileLine pl = platform::classifyProfileLine(text);
    if (pl.kind == platform::ProfileLine::Section) {
      if (inLogs_) logsDone_ = true;
      inLogs_ = !logsDone_ && SameText(std::string(pl.name), "Logs");
      return;
    }
    if (!inLogs_ || pl.kind != platform::ProfileLine::Entry || !pl.hasEquals) return;
    if (pl.name.size() != kKeyDigits || pl.name.find_first_not_of("0123456789") != std::string_view::npos) return;
    long number = std::stol(std::string(pl.name));
    if (number <= taken_) return;
    auto [it, added] = lines_.emplace(number, platform::decodeProfileValue(pl.value));
    if (added) heldBytes_ += it->second.size();
  }

  std::string path_;
  std::map<long, std::string> lines_;
  std::uint64_t offset_ = 0;  // bytes parsed
  std::uint64_t device_ = 0, inode_ = 0;
  long taken_ = 0;  // lines up to this number are behind the cursor
  std::uint64_t heldBytes_ = 0;  // text of the lines in lines_
  bool more_ = false;            // the last bite ended before the file's end
  bool inLogs_ = false, logsDone_ = false;
  std::size_t unfinishedSize_ = 0;
  int unfinishedTicks_ = 0;
};

struct ReaderState {
  std::string day;  // "yyyymmdd" of the logs being read
  EngineLog first, second;
  std::uint32_t resetsSeen = 0;  // lngReaderResets when the logs were last read
  bool reading = false;
};
ReaderState reader;

// How a pass over one day's logs ended.
enum class PassEnd { NoLine, StoppedAtLine, Reset };

void dispatch(const tEventRecord& record, const std::string& line) {
  // A path that the rule file could not carry as a key (a line break or
  // another control character in a file name) never enters the process,
  // program or component lists; a packet alert keeps its text for the logs.
  if (record.Kind != KindPacket) {
    if (const std::string problem = StoredPathProblem(record.ProgramPath); !problem.empty()) {
      WriteErrorLog("Path refused (" + problem + "): " + PrintableText(record.ProgramPath),
                    "CheckNewAlertsGenerates of Module mdlAlertsAndLogs");
      return;
    }
  }
  switch (record.Kind) {
    case KindProcessStart: ProcessStartEvent(record); break;
    case KindProcessEnd: ProcessEndEvent(record); break;
    case KindModule: ProcessModuleEvent(record); break;
    case KindAccess: ProcessAccessEvent(record); break;
    case KindPacket: ProcessPacketEvent(record, line); break;
    default: break;
  }
}

// Reads the day's logs from the cursors until no line is left, a line is
// invalid or fails, or engine control puts the cursors back meanwhile.
PassEnd readPass(const std::string& day) {
  reader.first.follow(EngineEventLogPath(day, false));
  reader.second.follow(EngineEventLogPath(day, true));
  // After a restart the engine begins its logs afresh, perhaps in place.
  if (reader.resetsSeen != lngReaderResets) {
    reader.resetsSeen = lngReaderResets;
    reader.first.restart();
    reader.second.restart();
  }
  reader.first.refresh();
  reader.second.refresh();
  for (;;) {
    std::int32_t* cursor = nullptr;
    EngineLog* log = nullptr;
    std::optional<std::string> found;
    for (auto [c, l] : {std::pair{&lngLastLogLineNo, &reader.first}, std::pair{&lngLastILogLineNo, &reader.second}}) {
      found = l->line(*c + 1);
      // A missing line followed by one that is there is skipped for good.
      if (!found && (found = l->line(*c + 2))) *c += 1;
      if (found) {
        cursor = c;
        log = l;
        break;
      }
      // The first log's lines come before the second's: while the rest of
      // it waits for the next tick, so does the second log.
      if (l->pending()) break;
    }
    if (!found) return PassEnd::NoLine;

    const std::string line = ReplaceLocalAddress(*found);
    tEventRecord record;
    const bool parsed = ErrorBoundary(kReaderError, [&] { record = ParseLogLine(line); });
    if (!parsed || record.Valid == 0) {
      *cursor += 1;
      log->forgetUpTo(*cursor);
      return PassEnd::StoppedAtLine;
    }
    // A restart of the engine while window events run, or inside the
    // handler, starts the reading over at the fresh logs' first line.
    const std::uint32_t resets = lngReaderResets;
    platform::pumpEvents();
    if (lngReaderResets != resets) return PassEnd::Reset;
    intIdleMinutes = 0;
    const bool handled = ErrorBoundary(kReaderError, [&] { dispatch(record, line); });
    if (lngReaderResets != resets) return PassEnd::Reset;
    *cursor += 1;
    log->forgetUpTo(*cursor);
    if (!handled) return PassEnd::StoppedAtLine;
  }
}

std::vector<std::string> fieldsOf(const std::string& line) { return Split(line, ","); }

// The run time's conversions of a field.
double dateField(const std::string& text) {
  double serial = 0;
  if (!TextToDate(text, serial)) RaiseError(errTypeMismatch);
  return serial;
}
std::int32_t longField(const std::string& text) { return CLng(NumericValue(text)); }

tEventRecord parsedAs(EventKind kind, const std::vector<std::string>& f) {
  tEventRecord r;
  r.EventDate = dateField(f[0]);
  r.Valid = -1;
  r.Kind = kind;
  return r;
}

tEventRecord ParseStartLine(const std::vector<std::string>& f, EventKind kind) {
  tEventRecord r = parsedAs(kind, f);
  r.Text1 = f[2];
  r.ProgramPath = f[3];
  return r;
}

tEventRecord ParseModuleLine(const std::vector<std::string>& f) {
  tEventRecord r = parsedAs(KindModule, f);
  r.ProgramPath = f[2];
  r.Number1 = CByte(NumericValue(f[3]));
  return r;
}

tEventRecord ParseAccessLine(const std::vector<std::string>& f) {
  tEventRecord r = parsedAs(KindAccess, f);
  r.Text1 = f[2];
  r.ProgramPath = f[3];
  r.Number3 = longField(f[4]);
  r.Number4 = longField(f[5]);
  r.Number2 = CLng(static_cast<double>(longField(f[6])) - 1);
  return r;
}

tEventRecord ParsePacketLine(const std::vector<std::string>& f) {
  tEventRecord r = parsedAs(KindPacket, f);
  r.Action = longField(f[1]);
  r.Protocol = longField(f[2]);
  r.Direction = longField(f[3]);
  r.SourceIP = f[4];
  r.DestIP = f[5];
  r.ProgramPath = f[6];
  r.Text2 = f[7];
  r.Level = longField(f[8]);
  r.SourcePort = f[9];
  r.DestPort = f[10];
  r.Text1 = f[11];
  return r;
}

bool isAddressChar(char c) { return c == '.' || (c >= '0' && c <= '9'); }

}  // namespace

std::string EngineEventLogPath(const std::string& day, bool secondLog) {
  return strEngineLogPath + day + (secondLog ? "i.log" : ".log");
}

std::uint8_t validateLogStr(const std::string& line) {
  return ErrorBoundary("validateLogStr of mdlAlertsAndLogs", std::uint8_t{KindInvalid}, [&]() -> std::uint8_t {
    const std::vector<std::string> f = fieldsOf(line);
    if (f.size() < 2) return KindInvalid;
    const std::string& kind = f[1];
    if (kind == "NP" || kind == "DP") {
      if (f.size() == 4 && IsNumeric(f[2])) return kind == "NP" ? KindProcessStart : KindProcessEnd;
    } else if (kind == "NM") {
      if (f.size() == 4 && IsNumeric(f[3])) return KindModule;
    } else if (kind == "CR") {
      if (f.size() == 7 && IsNumeric(f[2])) return KindAccess;
    } else if (kind == "0" || kind == "1") {
      if (f.size() == 12) return KindPacket;
    }
    return KindInvalid;
  });
}

tEventRecord ParseLogLine(const std::string& line) {
  const std::uint8_t kind = validateLogStr(line);
  if (kind == KindInvalid) return tEventRecord{};
  const std::vector<std::string> f = fieldsOf(line);
  switch (kind) {
    case KindProcessStart: return ParseStartLine(f, KindProcessStart);
    case KindProcessEnd: return ParseStartLine(f, KindProcessEnd);
    case KindModule: return ParseModuleLine(f);
    case KindAccess: return ParseAccessLine(f);
    default: return ParsePacketLine(f);
  }
}

std::string ReplaceLocalAddress(const std::string& line) {
  static const std::string any = "0.0.0.0";
  static const std::string local = "Local Address";
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t at = line.find(any, pos);
    if (at == std::string::npos) break;
    const std::size_t after = at + any.size();
    const bool whole = (at == 0 || !isAddressChar(line[at - 1])) && (after == line.size() || !isAddressChar(line[after]));
    out.append(line, pos, at - pos);
    if (whole) {
      out += local;
      pos = after;
    } else {
      // Not an address of its own: keep its first character and look on.
      out += line[at];
      pos = at + 1;
    }
  }
  out.append(line, pos, std::string::npos);
  return out;
}

void CheckNewAlertsGenerates() {
  if (reader.reading) return;
  reader.reading = true;
  struct Done {
    ~Done() { reader.reading = false; }
  } done;

  const std::string today = FormatDate(Today(), "yyyymmdd");
  if (!reader.day.empty() && reader.day != today) {
    // After midnight: what is left of the last day's logs first, then the
    // new day's logs from their first line. A rest larger than a bite is
    // taken over the next ticks before the day changes.
    PassEnd end;
    while ((end = readPass(reader.day)) == PassEnd::StoppedAtLine) {
    }
    if (end == PassEnd::NoLine && (reader.first.pending() || reader.second.pending())) return;
    lngLastLogLineNo = 0;
    lngLastILogLineNo = 0;
  }
  reader.day = today;
  readPass(today);
}

void ResetEventReaderGlobals() {
  reader.day.clear();
  reader.first = EngineLog();
  reader.second = EngineLog();
  reader.resetsSeen = 0;
  reader.reading = false;
  lngLastLogLineNo = 0;
  lngLastILogLineNo = 0;
  lngReaderResets = 0;
  arrProcessList.assign(1, tProcessRecord{});
  intIdleMinutes = 0;
}

}  // namespace mv
