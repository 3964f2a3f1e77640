// Build-time tool for the demo program folder: lays out the default settings
// files and the password file with its registry copy for "no password", as an
// installer would, so that the first start finds them all. What the folder
// already holds is kept as the user left it.
#include <QCoreApplication>
#include <iostream>

#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: mvdemoinit <program folder>\n";
    return 2;
  }
  // A console tool has no windows: messages go to the error stream.
  mv::platform::setMsgBoxHandler([](const std::string& prompt, int, const std::string&) {
    std::cerr << "mvdemoinit: " << prompt << "\n";
    return static_cast<int>(mv::platform::vbOK);
  });
  mv::platform::setProgramFolder(argv[1]);
  mv::SetPathGlobals();
  mv::checkIsMorvantisCorrupted();
  if (mv::platform::fileExists(mv::strSystemDir + "MVPSD.SYS")) return 0;
  if (!mv::setPassword("")) {
    std::cerr << "mvdemoinit: the password store could not be written\n";
    return 1;
  }
  return 0;
}
