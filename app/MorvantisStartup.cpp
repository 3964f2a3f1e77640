// The first-run wizard: checks the password store, asks for the password
// when one is set, walks the user through its pages and writes a first
// configuration for the front end.
#include <QApplication>

#include "platform/GuiSeams.h"
#include "wizard/WizardPictures.h"
#include "wizard/frmStartupMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName("MorvantisStartup");
  app.setWindowIcon(QIcon(mv::wizard::WizardPicture(101, 32)));
  mv::platform::installGuiSeams();
  if (!mv::wizard::Main()) return 1;
  return app.exec();
}
