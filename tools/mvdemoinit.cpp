// Build-time tool for the demo program folder: writes the password file and
// its registry copy for "no password", as an installer would, so that the
// first start finds both.
#include <QCoreApplication>
#include <iostream>

#include "core/mdlLogin.h"
#include "core/mdlMain.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: mvdemoinit <program folder>\n";
    return 2;
  }
  mv::platform::setProgramFolder(argv[1]);
  mv::SetPathGlobals();
  // A demo folder that has its password store keeps it.
  if (mv::platform::fileExists(mv::strSystemDir + "MVPSD.SYS")) return 0;
  if (!mv::setPassword("")) {
    std::cerr << "mvdemoinit: the password store could not be written\n";
    return 1;
  }
  return 0;
}
