#include "platform/PropertiesSheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "platform/FileInfo.h"
#include "platform/Paths.h"
#include "platform/PrivateProfile.h"
#include "platform/QtText.h"

namespace mv::platform {
namespace {

// An unknown time (0) shows nothing.
QString timeText(std::int64_t seconds) {
  if (seconds == 0) return QString();
  DateTime t = localDateTime(seconds);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute,
                t.second);
  return QString::fromLatin1(buf);
}

QLabel* addRow(QFormLayout* form, const char* caption, const char* name, const QString& text) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(QString::fromLatin1(caption), label);
  return label;
}

bool showQtSheet(const std::string& path) {
  // Windows need a GUI application; a console tool has none.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  FileDetails details;
  if (!readFileDetails(path, details)) return false;
  std::string native = resolvePath(path);
  std::string name = fileNamePart(native);
  std::string folder = native.substr(0, native.size() - name.size());
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();

  auto* sheet = new QDialog(nullptr);
  sheet->setObjectName("PropertiesSheet");
  sheet->setAttribute(Qt::WA_DeleteOnClose);
  const QString title = toQString(name) + " Properties";
  sheet->setWindowTitle(title);
  // Wide enough for the whole title beside the title bar's buttons.
  sheet->setMinimumWidth(sheet->fontMetrics().horizontalAdvance(title) + 160);
  auto* layout = new QVBoxLayout(sheet);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  addRow(form, "Name:", "lblName", toQString(name));
  addRow(form, "Location:", "lblLocation", toQString(folder));
  addRow(form, "Size:", "lblSize", QString::number(details.size) + " bytes");
  addRow(form, "Created:", "lblCreated", timeText(details.created));
  addRow(form, "Modified:", "lblModified", timeText(details.lastModified));
  addRow(form, "Accessed:", "lblAccessed", timeText(details.lastAccessed));
  auto* readOnly = new QCheckBox("Read-only");
  readOnly->setObjectName("chkReadOnly");
  readOnly->setChecked(isReadOnlyFile(path));
  readOnly->setEnabled(false);
  form->addRow("Attributes:", readOnly);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOk");
  QObject::connect(buttons, &QDialogButtonBox::accepted, sheet, &QDialog::close);
  layout->addWidget(buttons);
  sheet->show();
  return true;
}

}  // namespace

bool showQtPropertiesSheet(const std::string& path) { return showQtSheet(path); }

}  // namespace mv::platform
