// The first-run wizard: checks the password store, asks for the password
// when one is set, walks the user through its pages and writes a first
// configuration for the front end.
#include <QApplication>

#include "platform/GuiSeams.h"
#include "platform/SessionBusProbe.h"
#include "wizard/WizardPictures.h"
#include "wizard/frmStartupMain.h"
#include "wizard/mdlMain.h"

int main(int argc, char** argv) {
  // Before Qt starts: Qt waits on the session bus without a time limit.
  const std::string busDropped = mv::platform::PassOverSessionBusThatDoesNotAnswer();
  QApplication app(argc, argv);
  if (!busDropped.empty()) mv::wizard::WriteErrorLog(0, busDropped, "main of MorvantisStartup");
  app.setApplicationName("MorvantisStartup");
  app.setWindowIcon(QIcon(mv::wizard::WizardPicture(101, 32)));
  mv::platform::installGuiSeams();
  if (!mv::wizard::Main()) return 1;
  return app.exec();
}
