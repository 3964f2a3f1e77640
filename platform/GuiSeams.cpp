#include "platform/GuiSeams.h"

#include <dirent.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
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

// One filter of the common dialog: the caption the user reads and the
// patterns it stands for ("Text File (*.txt)" and "*.txt;").
struct DialogFilter {
  QString caption;
  QStringList patterns;
};

std::vector<DialogFilter> dialogFilters(const std::string& filter) {
  const QStringList parts = toQString(filter).split('|');
  std::vector<DialogFilter> out;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    out.push_back({parts[i], parts[i + 1].split(';', Qt::SkipEmptyParts)});
  return out;
}

// What a filter lets through here, where it means what it means on the
// system the filters were written for: "*.*" is every file, with or without
// a dot in its name; the program extensions stand for the files a user can
// run here, executable regular files; other patterns match names without
// regard to case.
enum class Shows { EveryFile, Programs, Matching };

Shows showsOf(const QStringList& patterns) {
  static const QStringList programPatterns = {"*.exe", "*.com", "*.scr"};
  bool programs = !patterns.isEmpty();
  for (const QString& p : patterns) {
    const QString pattern = p.trimmed().toLower();
    if (pattern == "*.*" || pattern == "*") return Shows::EveryFile;
    if (!programPatterns.contains(pattern)) programs = false;
  }
  return programs ? Shows::Programs : Shows::Matching;
}

class FilterProxy : public QSortFilterProxyModel {
 public:
  void use(const DialogFilter& filter) {
    shows_ = showsOf(filter.patterns);
    patterns_.clear();
    for (const QString& p : filter.patterns)
      patterns_.push_back(QRegularExpression(QRegularExpression::wildcardToRegularExpression(p.trimmed()),
                                             QRegularExpression::CaseInsensitiveOption));
    invalidateFilter();
  }

  // The file model greys out the names its own filter would drop; here the
  // proxy alone decides, so every file it lets through can be chosen.
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = QSortFilterProxyModel::flags(index);
    if (index.isValid()) f |= Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return f;
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (!files) return true;
    const QModelIndex index = files->index(row, 0, parent);
    if (files->isDir(index)) return true;
    const QFileInfo info = files->fileInfo(index);
    switch (shows_) {
      case Shows::EveryFile: return true;
      case Shows::Programs: return info.isFile() && info.isExecutable();
      case Shows::Matching: break;
    }
    for (const QRegularExpression& p : patterns_)
      if (p.match(info.fileName()).hasMatch()) return true;
    return false;
  }

 private:
  Shows shows_ = Shows::EveryFile;
  std::vector<QRegularExpression> patterns_;
};

// The names in a folder that are not UTF-8, shown as the desktop shows
// them. Qt's file dialog leaves such files out (it cannot name them in its
// strings), so the dialog says which they are instead.
QStringList namesNotUtf8(const QString& folder) {
  QStringList names;
  DIR* dir = ::opendir(QFile::encodeName(folder).constData());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!isUtf8(name)) names << toQString(name);
  }
  ::closedir(dir);
  names.sort();
  return names;
}

QString notListedText(const QStringList& names) {
  if (names.isEmpty()) return QString();
  constexpr qsizetype shownAtMost = 5;
  QString text = "Not listed, as their names are not UTF-8: " + names.mid(0, shownAtMost).join(", ");
  if (names.size() > shownAtMost) text += QString(" and %1 more").arg(names.size() - shownAtMost);
  return text + ".";
}

std::optional<FileDialogResult> showQtFileDialog(FileDialogKind kind, const FileDialogOptions& o) {
  if (!haveWindows()) return std::nullopt;
  QFileDialog dialog(nullptr, toQString(o.DialogTitle));
  dialog.setObjectName("dlgBox");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontResolveSymlinks);
  dialog.setAcceptMode(kind == FileDialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(kind == FileDialogKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  auto* proxy = new FilterProxy;  // the dialog owns it
  dialog.setProxyModel(proxy);
  // The dialog parses patterns out of each caption as its own name filter
  // and hands them to the file model, however the filter is chosen (the
  // list, the keyboard, selectNameFilter). The model then only greys out the
  // names those patterns miss, and the proxy decides what is listed.
  if (auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel())) files->setNameFilterDisables(true);

  const std::vector<DialogFilter> filters = dialogFilters(o.Filter);
  QStringList captions;
  for (const DialogFilter& f : filters) captions << f.caption;
  QLineEdit* name = dialog.findChild<QLineEdit*>("fileNameEdit");
  QString typed;
  if (auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo"))
    QObject::connect(combo, &QComboBox::currentIndexChanged, &dialog, [&](int index) {
      if (name) typed = name->text();
      if (index >= 0 && static_cast<size_t>(index) < filters.size()) proxy->use(filters[static_cast<size_t>(index)]);
    });
  if (!captions.isEmpty()) {
    dialog.setNameFilters(captions);
    // The dialog opens on the first filter.
    dialog.selectNameFilter(captions.first());
    proxy->use(filters.front());
  }
  // Choosing another filter keeps the name typed for saving, as it stands.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&] {
    if (name && kind == FileDialogKind::Save) name->setText(typed);
  });

  // Below the dialog's own controls: the files of the folder shown that it
  // cannot list.
  auto* notListed = new QLabel(&dialog);
  notListed->setObjectName("lblNotListed");
  notListed->setWordWrap(true);
  notListed->hide();
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(notListed, grid->rowCount(), 0, 1, grid->columnCount());
  auto showNotListed = [notListed](const QString& folder) {
    const QString text = notListedText(namesNotUtf8(folder));
    notListed->setText(text);
    notListed->setVisible(!text.isEmpty());
  };
  // The folder shown changes however the user gets there: a double click,
  // the buttons, or a folder's path typed into the name box.
  if (auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel()))
    QObject::connect(files, &QFileSystemModel::rootPathChanged, &dialog, showNotListed);
  else
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, showNotListed);

  if (!o.InitDir.empty()) dialog.setDirectory(toQString(resolvePath(o.InitDir)));
  showNotListed(dialog.directory().absolutePath());
  if (!o.FileName.empty())
    dialog.selectFile(toQString(o.FileName.find_first_of("\\/") == std::string::npos ? o.FileName
                                                                                      : resolvePath(o.FileName)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().first();
  if (chosen.isEmpty()) return std::nullopt;
  return FileDialogResult{fromQString(chosen), fromQString(QFileInfo(chosen).fileName())};
}

// One small window at a time, shown while the program waits.
void showQtNotice(const std::string& text, const std::string& title) {
  static QPointer<QLabel> shown;
  if (text.empty()) {
    delete shown;
    return;
  }
  if (!haveWindows()) return;
  if (!shown) {
    shown = new QLabel;
    shown->setObjectName("lblNotice");
    shown->setMargin(16);
    shown->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  }
  shown->setWindowTitle(toQString(title));
  shown->setText(toQString(text));
  shown->show();
  shown->raise();
}

}  // namespace

void installGuiSeams() {
  installNotice(showQtNotice);
  installMsgBox(showQtMessageBox);
  installInputBox(showQtInputBox);
  installFileDialog(showQtFileDialog);
  installPropertiesSheet(showQtPropertiesSheet);
}

}  // namespace mv::platform
