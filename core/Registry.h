#pragma once
// Reading and writing string values of the registry (module Registry).
#include <cstdint>
#include <string>

namespace mv {

// The value's text: a string value up to its first NUL character, a number
// value as its decimal text; the default for a key or value that does not
// exist or a value of another type.
std::string GetRegValue(std::uint32_t hKey, const std::string& strPath, const std::string& strValue,
                        const std::string& strDefault);

// Creates the key (with every key above it) and writes the text as its
// default value. The text comes back with a NUL character appended, which is
// stored with it.
void CreateRegKey(const std::string& strNewKeyName, std::uint32_t hKey, std::string& strNewKeyValue);

// Writes the text, trimmed of blanks (the caller's variable receives the
// trimmed text), as a string value; a key that does not exist yet is created
// first. False, and logged, when the value could not be written.
[[nodiscard]] bool SetRegValue(std::uint32_t hKey, const std::string& strPath, const std::string& strValue, std::string& strData);

// Run at start-up, in the two places that keep it: the desktop's autostart
// entry of this program folder, which starts the program at login, and the
// value named after the application title under the Run key. On: the entry
// and the program's path as the value; off: no entry and an empty value.
// Returns "" when both were written, else the native path of the file that
// could not be written, the entry then being as it was before (logged).
std::string SetRunAtStartup(bool on);
// The setting's name as the settings page shows it.
std::string RunAtStartupCaption();
inline const std::string RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace mv
