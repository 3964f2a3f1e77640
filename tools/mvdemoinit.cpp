// Build-time tool for the demo program folder: lays out the default settings
// files and the password file with its registry copy for "no password", as an
// installer would, so that the first start finds them all. What the folder
// already holds is kept as the user left it. The demo does not start with the
// desktop session: a new folder, and with "--no-login-start" the folder as it
// is (after the wizard rewrote its settings), has run-at-start-up off, and
// an autostart entry the user made for the folder earlier is removed.
#include <QCoreApplication>
#include <iostream>
#include <string>

#include "core/Registry.h"
#include "core/SettingsKeys.h"
#include "core/mdINIBas.h"
#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bool offAgain = argc == 3 && std::string(argv[1]) == "--no-login-start";
  if (argc != 2 && !offAgain) {
    std::cerr << "usage: mvdemoinit [--no-login-start] <program folder>\n";
    return 2;
  }
  // A console tool has no windows: messages go to the error stream.
  mv::platform::setMsgBoxHandler([](const std::string& prompt, int, const std::string&) {
    std::cerr << "mvdemoinit: " << prompt << "\n";
    return static_cast<int>(mv::platform::vbOK);
  });
  mv::platform::setProgramFolder(argv[argc - 1]);
  mv::SetPathGlobals();
  // A change the last run of the programs left half-way is finished before
  // the folder is looked at, as their start-up does.
  mv::FinishPendingChange();
  const bool fresh = !mv::platform::fileExists(mv::strSystemDir + "MVPSD.SYS");
  mv::checkIsMorvantisCorrupted();
  if (fresh || offAgain) {
    // The entry goes before the switch is stored, as the settings page has
    // it: ended in between, the folder keeps the switch on, and its next
    // start writes the entry again, instead of an entry that no start
    // removes.
    const std::string notWritten = mv::SetRunAtStartup(false);
    if (!notWritten.empty()) {
      std::cerr << "mvdemoinit: " << notWritten << " could not be written\n";
      return 1;
    }
    if (!mv::WriteINI(mv::keys::Main, mv::keys::LoadOnStartup, "0", mv::strAlertsSettingFile, true)) {
      std::cerr << "mvdemoinit: the alert settings file could not be written\n";
      return 1;
    }
  }
  if (!fresh) return 0;
  if (!mv::setPassword("")) {
    std::cerr << "mvdemoinit: the password store could not be written\n";
    return 1;
  }
  return 0;
}
