#include "core/SettingsView.h"

#include <cctype>
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
  // While another program is still saving, the files may be half-way
  // through its change: nothing is decided from them.
  if (!lock.held()) return true;
  return platform::profileLookForOutsideChanges(settingsFiles()) != seen;
}

bool StoreOnView(std::uint64_t seen, const std::function<void()>& store) {
  platform::FolderWriteLock lock;
  if (SettingsOvertaken(seen)) return false;
  store();
  return true;
}

std::string SettingsOvertakenText(const std::string& what) {
  // Refused the lock (another program saving, a record that cannot be
  // read), or overtaken.
  std::string why = LockRefusalText();
  if (why.empty()) why = "the settings were changed by another " + AppTitle + " program";
  why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
  return why + ", so " + what + ".\r\nThe settings are shown again as they are now.";
}

}  // namespace mv
