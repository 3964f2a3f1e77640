// The front end: starts, and then lives on the events of its windows, its
// tray icon and its timers.
#include <QApplication>

#include "core/FormSeams.h"
#include "core/FormSupport.h"
#include "core/mdlMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName("Morvantis");
  app.setQuitOnLastWindowClosed(false);
  app.setWindowIcon(mv::WindowIcon());
  mv::InstallFormSeams();
  mv::Main();
  if (!mv::blnStarted) return 0;  // a second instance, or start-up could not finish
  return app.exec();
}
