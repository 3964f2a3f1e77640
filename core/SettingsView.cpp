#include "core/SettingsView.h"

#include <vector>

#include "core/mdlMain.h"
#include "platform/ChangeRecord.h"
#include "platform/PrivateProfile.h"

namespace mv {

namespace {
std::vector<std::string> settingsFiles() {
  std::vector<std::string> files;
  for (const std::string& name : varSettingsFiles) files.push_back(strProfilePath + name);
  return files;
}
}  // namespace

std::uint64_t SettingsSeenNow() {
  // A change made before the mark is what the window is about to read: it
  // is counted now, not taken later for one that overtook the window.
  return platform::profileLookForOutsideChanges(settingsFiles());
}

bool SettingsOvertaken(std::uint64_t seen) {
  platform::FolderWriteLock lock;
  return platform::profileLookForOutsideChanges(settingsFiles()) != seen;
}

bool StoreOnView(std::uint64_t seen, const std::function<void()>& store) {
  platform::FolderWriteLock lock;
  if (SettingsOvertaken(seen)) return false;
  store();
  return true;
}

std::string SettingsOvertakenText(const std::string& what) {
  return "The settings were changed by another " + AppTitle + " program, so " + what +
         ".\r\nThe settings are shown again as they are now.";
}

}  // namespace mv
