// The front end: starts, and then lives on the events of its windows, its
// tray icon and its timers.
#include <QApplication>

#include "core/FormSeams.h"
#include "core/FormSupport.h"
#include "core/mdlMain.h"
#include "platform/SessionBusProbe.h"

int main(int argc, char** argv) {
  // Before Qt starts: Qt waits on the session bus without a time limit.
  const std::string busDropped = mv::platform::PassOverSessionBusThatDoesNotAnswer();
  QApplication app(argc, argv);
  if (!busDropped.empty()) mv::WriteErrorLog(busDropped, "main of Morvantis");
  app.setApplicationName("Morvantis");
  app.setQuitOnLastWindowClosed(false);
  app.setWindowIcon(mv::WindowIcon());
  mv::InstallFormSeams();
  mv::Main();
  if (!mv::blnStarted) return 0;  // a second instance, or start-up could not finish
  return app.exec();
}
