#include "platform/Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <vector>

#include "platform/QtText.h"

namespace mv::platform {
namespace {

MsgBoxHandler& handlerSlot() {
  static MsgBoxHandler h;
  return h;
}

int showQtMessageBox(const std::string& prompt, int buttons, const std::string& title) {
  // Windows need a GUI application; a console tool has none.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return vbCancel;
  QMessageBox box;
  box.setWindowTitle(toQString(title));
  box.setText(toQString(prompt));
  switch (buttons & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  struct B { QMessageBox::StandardButton qt; int vb; };
  std::vector<B> set;
  switch (buttons & 0x0F) {
    case vbOKCancel: set = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbAbortRetryIgnore:
      set = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
      break;
    case vbYesNoCancel:
      set = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
      break;
    case vbYesNo: set = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case vbRetryCancel: set = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: set = {{QMessageBox::Ok, vbOK}}; break;
  }
  QMessageBox::StandardButtons all;
  for (const auto& b : set) all |= b.qt;
  box.setStandardButtons(all);
  int chosen = box.exec();
  for (const auto& b : set)
    if (chosen == b.qt) return b.vb;
  return set.size() == 1 ? vbOK : vbCancel;
}

}  // namespace

int MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  if (handlerSlot()) return handlerSlot()(prompt, buttons, title);
  return showQtMessageBox(prompt, buttons, title);
}

void setMsgBoxHandler(MsgBoxHandler handler) { handlerSlot() = std::move(handler); }

}  // namespace mv::platform
