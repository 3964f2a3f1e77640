#include "core/Registry.h"

#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/Autostart.h"
#include "platform/ChangeRecord.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

namespace mv {

std::string GetRegValue(std::uint32_t hKey, const std::string& strPath, const std::string& strValue,
                        const std::string& strDefault) {
  std::string result = strDefault;
  try {
    if (platform::regOpenKey(hKey, strPath) != platform::ERROR_SUCCESS) return result;
    platform::RegValue value;
    if (platform::regQueryValue(hKey, strPath, strValue, value) != platform::ERROR_SUCCESS) return result;
    if (value.type == platform::REG_SZ) {
      result = value.data.substr(0, value.data.find('\0'));
    } else if (value.type == platform::REG_DWORD && value.data.size() >= 4) {
      std::uint32_t n = 0;
      for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
      result = std::to_string(n);
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "GetRegValue of Registry");
  }
  return result;
}

void CreateRegKey(const std::string& strNewKeyName, std::uint32_t hKey, std::string& strNewKeyValue) {
  platform::regCreateKey(hKey, strNewKeyName);
  strNewKeyValue += '\0';
  platform::regSetValue(hKey, strNewKeyName, "", platform::RegValue{platform::REG_SZ, strNewKeyValue});
}

bool SetRegValue(std::uint32_t hKey, const std::string& strPath, const std::string& strValue, std::string& strData) {
  strData = Trim(strData);
  long rc = platform::regOpenKey(hKey, strPath);
  // A key that is not there yet is created, so the value is not lost.
  if (rc == platform::ERROR_BADKEY || rc == platform::ERROR_FILE_NOT_FOUND) {
    std::string empty;
    CreateRegKey(strPath, hKey, empty);
    rc = platform::regOpenKey(hKey, strPath);
  }
  if (rc == platform::ERROR_SUCCESS) rc = platform::regSetValue(hKey, strPath, strValue, platform::RegValue{platform::REG_SZ, strData});
  if (rc == platform::ERROR_SUCCESS) return true;
  // Refused the folder's lock, the registry is not at fault (the start logs
  // the cause once).
  if (!platform::folderLockRefused())
    WriteErrorLog("Registry error " + std::to_string(rc) + " writing " + strPath + "\\" + strValue,
                  "SetRegValue of Registry");
  return false;
}

std::string SetRunAtStartup(bool on) {
  const std::string program = platform::programFolder() + "/" + AppEXEName;
  const std::string entry = platform::autostartEntryFile(AppTitle, program);
  const bool hadEntry = platform::fileExists(entry);
  auto setEntry = [&](bool present) {
    return present ? platform::writeAutostartEntry(AppTitle, program)
                   : platform::removeAutostartEntry(AppTitle, program);
  };
  // The entry is what starts the program: it goes first, and back when the
  // value cannot follow it.
  if (!setEntry(on)) {
    WriteErrorLog("Autostart entry could not be " + std::string(on ? "written" : "removed") + " (" + entry + ")",
                  "SetRunAtStartup of Registry");
    return entry;
  }
  std::string command = on ? AppPath() + "\\" + AppEXEName + ".EXE" : "";
  if (SetRegValue(platform::HKEY_LOCAL_MACHINE, RunKey, AppTitle, command)) return "";
  static_cast<void>(setEntry(hadEntry));
  return platform::registryFile();
}

std::string RunAtStartupCaption() { return "Run " + AppTitle + " at windows startup"; }

}  // namespace mv
