#pragma once
// INI access for every settings file, with the system's value scrambling:
// section and key names are plain, values are scrambled with the section name
// as the key when the scramble flag is set.
#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace mv {

namespace platform {
struct ProfileSection;
}

struct IniKeyValue {
  std::string Key;
  std::string Value;
};

// The pairs of the last ReadIniSection call, in file order.
extern std::vector<IniKeyValue> arrIniSection;

std::string ReadINI(const std::string& section, const std::string& key, const std::string& defaultValue,
                    const std::string& file, bool scramble);
[[nodiscard]] bool WriteINI(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file, bool scramble);
// Note the order: file first.
std::string ReadIniSection(const std::string& file, const std::string& section);
// The unscrambled values of the named keys of a section of a picture already
// in hand (platform::profileRead), among the pairs ReadIniSection gives for
// it, in the order the keys are named, each found by its name without regard
// to case wherever it stands in the section (the first entry of that name): a
// section whose lines were sorted or moved by hand reads as written. False, with the first
// key the section lacks in `missing`, when one of them is not there.
bool ReadIniSectionKeys(const platform::ProfileSection& section, std::span<const char* const> keys,
                        std::vector<std::string>& values, std::string& missing);
std::string GetINISectionNames(const std::string& file);
void GetINISectionKeys(std::vector<std::string>& keys, const std::string& section, const std::string& file);
[[nodiscard]] bool DeleteINISection(const std::string& section, const std::string& file);
// Deletes several sections in one write: all are gone or none.
[[nodiscard]] bool DeleteINISections(const std::vector<std::string>& sections, const std::string& file);
// Writes several keys of one section in one step, each value prepared as
// WriteINI prepares it. False (logged) when the file could not be written.
[[nodiscard]] bool WriteINIKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs,
                  const std::string& file, bool scramble);
// Replaces a whole section by the given key/value pairs, prepared the same way.
[[nodiscard]] bool WriteINISection(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs,
                     const std::string& file, bool scramble);
// The same with the values under keys "1".."n".
[[nodiscard]] bool WriteINISectionValues(const std::string& section, const std::vector<std::string>& values,
                           const std::string& file, bool scramble);

// WriteINI and WriteINISection without an error handler of their own: a
// write that fails raises error 75 to the caller, whose handler reports it.
void WriteINIOrRaise(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file, bool scramble);
void WriteINISectionOrRaise(const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& pairs, const std::string& file,
                            bool scramble);

// Stores the writes that `writes` makes as one change (platform::ProfileChange):
// after a kill at any moment, the next start finds either all of them or none.
// False when `writes` gave up (nothing stored) or when the change could not
// be stored (nothing stored; LastFailedWriteFile names the file, and the
// failure is logged). Called inside another, it joins that one.
[[nodiscard]] bool StoreTogether(const std::function<bool()>& writes);
// Finishes a change that a kill interrupted, as the start-up of both programs
// does first, before reading any settings. What it did is logged, from then
// on also when a later write finds a change another program left. Files it
// could not write are told in a message.
void FinishPendingChange();
// How long the start waits for another program's change (30 seconds; a test
// shortens it, and a reset of the seams puts it back).
void SetStartLockWait(std::chrono::milliseconds wait);

// The file of the last write that failed, so that a caller of several
// writes can name the one that could not be written.
const std::string& LastFailedWriteFile();
// True when the last StoreTogether that failed left its record on disk: its
// change is not in the files yet, and the next write of either program or the
// next start completes it.
bool LastStoreCompletesLater();

std::string EncryptString(const std::string& text, const std::string& key);
std::string DecryptString(const std::string& text, const std::string& key);
// DecryptString(scrambled, key) == plain, without making the plain text.
bool ScrambledEquals(const std::string& scrambled, const std::string& plain, const std::string& key);

}  // namespace mv
