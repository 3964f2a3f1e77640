// The front end: starts, and for now shows that the settings store is in place.
#include <QApplication>

#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  mv::SetPathGlobals();
  mv::InitTableNames();
  mv::checkIsMorvantisCorrupted();
  return 0;
}
