#include "platform/GuiSeams.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/PropertiesSheet.h"
#include "platform/QtText.h"
#include "platform/Shell.h"

namespace mv::platform {
namespace {

bool haveWindows() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

int showQtMessageBox(const std::string& prompt, int buttons, const std::string& title) {
  // Windows need a GUI application; a console tool has none.
  if (!haveWindows()) return vbCancel;
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

std::optional<std::string> showQtInputBox(const std::string& prompt, const std::string& title,
                                          const std::string& defaultText) {
  if (!haveWindows()) return std::nullopt;
  bool ok = false;
  QString text = QInputDialog::getText(nullptr, toQString(title), toQString(prompt), QLineEdit::Normal,
                                       toQString(defaultText), &ok);
  if (!ok) return std::nullopt;
  return fromQString(text);
}

// "Programs (*.exe)|*.exe|All files|*" becomes Qt's "Programs (*.exe);;All files (*)".
QString qtFilter(const std::string& filter) {
  QStringList parts = toQString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << parts[i] + " (" + patterns + ")";
  }
  return out.join(";;");
}

std::optional<FileDialogResult> showQtFileDialog(FileDialogKind kind, const FileDialogOptions& o) {
  if (!haveWindows()) return std::nullopt;
  QString start = toQString(o.InitDir.empty() ? std::string() : resolvePath(o.InitDir));
  if (!o.FileName.empty()) start = start.isEmpty() ? toQString(o.FileName) : start + "/" + toQString(o.FileName);
  QString chosen = kind == FileDialogKind::Open
                       ? QFileDialog::getOpenFileName(nullptr, toQString(o.DialogTitle), start, qtFilter(o.Filter))
                       : QFileDialog::getSaveFileName(nullptr, toQString(o.DialogTitle), start, qtFilter(o.Filter));
  if (chosen.isEmpty()) return std::nullopt;
  return FileDialogResult{fromQString(chosen), fromQString(QFileInfo(chosen).fileName())};
}

}  // namespace

void installGuiSeams() {
  installMsgBox(showQtMessageBox);
  installInputBox(showQtInputBox);
  installFileDialog(showQtFileDialog);
  installPropertiesSheet(showQtPropertiesSheet);
}

}  // namespace mv::platform
