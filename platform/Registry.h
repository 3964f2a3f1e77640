#pragma once
// A file-backed stand-in for the registry: keys with REG_SZ and REG_DWORD
// values, kept in "config/registry" under the system directory. Results follow
// the Windows calls: 0 for success, 2 (file not found) for a missing key or
// value. The keys ...\CurrentVersion\Run and ...\CurrentVersion\Setup under
// HKEY_LOCAL_MACHINE exist from the start.
#include <cstdint>
#include <string>

namespace mv::platform {

constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr std::uint32_t HKEY_USERS = 0x80000003u;

constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_DWORD = 4;

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_BADKEY = 1010;

struct RegValue {
  std::uint32_t type = REG_NONE;
  std::string data;  // REG_SZ: the stored bytes as written; REG_DWORD: 4 bytes, little-endian
};

long regOpenKey(std::uint32_t root, const std::string& subKey);
long regCreateKey(std::uint32_t root, const std::string& subKey);
long regQueryValue(std::uint32_t root, const std::string& subKey, const std::string& name, RegValue& out);
long regSetValue(std::uint32_t root, const std::string& subKey, const std::string& name, const RegValue& value);
long regDeleteValue(std::uint32_t root, const std::string& subKey, const std::string& name);

// The registry file's bytes as they would be with the value set (its key and
// the keys above it created when missing), without writing them: for a
// caller that stores the registry together with other files. False when the
// registry file cannot be read.
bool registryTextWithValue(std::uint32_t root, const std::string& subKey, const std::string& name,
                           const RegValue& value, std::string& text);

// The native path of the registry file.
std::string registryFile();

}  // namespace mv::platform
