#include "programs/mdlProgramControlLists.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <array>
#include <vector>

#include "core/ErrorBoundary.h"
#include "core/FormHooks.h"
#include "core/FormSupport.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "platform/Dialogs.h"
#include "platform/Icons.h"
#include "platform/QtText.h"
#include "programs/mdlComponentControl.h"
#include "programs/mdlProgramControl.h"

namespace mv {

using platform::fromQString;
using platform::toQString;

namespace {

constexpr int ListKeyRole = Qt::UserRole;
constexpr int ListTagRole = Qt::UserRole + 1;

ProgramControlPageControls*& registered() {
  static ProgramControlPageControls* controls = nullptr;
  return controls;
}

void enableComponentRemove(const ProgramControlPageControls& page) {
  if (page.cmdComponentRemove && page.lvwComponents && page.lvwComponents->topLevelItemCount() > 0)
    page.cmdComponentRemove->setEnabled(true);
}

}  // namespace

void RegisterProgramControlPage(ProgramControlPageControls* controls) { registered() = controls; }
ProgramControlPageControls* ProgramControlPage() { return registered(); }

void InstallProgramListHooks() {
  hooks::ProgramRowAdded = AddProgramRow;
  hooks::ProgramRowRights = ShowProgramRowRights;
  hooks::ComponentRowAdded = AddComponentRow;
  hooks::ComponentRowRight = ShowComponentRowRight;
}

void AddProgramRow(const std::string& key) {
  ProgramControlPageControls* page = ProgramControlPage();
  if (!page) return;
  ErrorBoundary("LoadCurrentProgramList of Module mdlProgramControl", [&] {
    AppendProgramRow(*page, key);
    if (page->cmdProgramControlProgramOption) page->cmdProgramControlProgramOption->setEnabled(true);
    if (page->cmdRemove) page->cmdRemove->setEnabled(true);
  });
}

QTreeWidgetItem* AppendProgramRow(ProgramControlPageControls& page, const std::string& key) {
  if (!page.lvwPrograms) RaiseError(errInvalidCall);
  const clsProgramList& program = *colProgramList.Item(key);

  long drawn = ExtractIcon(program.Path, page.pic16, page.defaultIcon);
  // A picture already held under this key means the row exists already.
  if (page.ProgramImgList16.count(key)) throw RuntimeError(errKeyInUse, "Key is not unique in collection");
  QPixmap picture = page.pic16 ? page.pic16->pixmap() : QPixmap();
  page.ProgramImgList16.emplace(key, picture);

  auto* row = new QTreeWidgetItem();
  SetListItemKey(row, key);
  row->setText(0, toQString(program.ProgramName));
  if (drawn != 0 && !picture.isNull()) row->setIcon(0, QIcon(picture));
  SetListItemTag(row, "0" + key);
  row->setText(1, toQString(program.AccessTrusted));
  row->setText(2, toQString(program.AccessInternet));
  row->setText(3, toQString(program.ServerTrusted));
  row->setText(4, toQString(program.ServerInternet));
  row->setText(5, toQString(program.LockState));
  ShowProgramRowActivity(row, program.Active);
  page.lvwPrograms->addTopLevelItem(row);
  return row;
}

void ShowProgramRowActivity(QTreeWidgetItem* row, bool active) {
  if (!row) return;
  QFont font = row->font(0);
  font.setBold(active);
  row->setFont(0, font);
  row->setForeground(0, active ? QColor(0, 128, 0) : QColor(0, 0, 0));
}

void ShowProgramRowRights(const std::string& key, const std::array<std::string, 4>& rights) {
  ProgramControlPageControls* page = ProgramControlPage();
  if (!page) return;
  if (QTreeWidgetItem* row = FindListItemByKey(page->lvwPrograms, key))
    for (int r = 1; r <= 4; ++r) row->setText(r, toQString(rights[static_cast<std::size_t>(r - 1)]));
}

void AddComponentRow(const std::string& key) {
  ProgramControlPageControls* page = ProgramControlPage();
  if (!page || !page->lvwComponents || !colComponentList.Contains(key)) return;
  AppendComponentRow(page->lvwComponents, *colComponentList.Item(key));
  enableComponentRemove(*page);
}

QTreeWidgetItem* AppendComponentRow(QTreeWidget* list, const clsComponentList& component) {
  auto* row = new QTreeWidgetItem();
  SetListItemKey(row, LCase(component.Path));
  row->setText(0, toQString(ComponentDisplayName(component)));
  row->setText(1, toQString(component.Description));
  row->setText(2, toQString(ComponentRightText(component.AccessType)));
  SetListItemTag(row, component.Path);
  list->addTopLevelItem(row);
  return row;
}

void ShowComponentRowRight(const std::string& key, const std::string& right) {
  ProgramControlPageControls* page = ProgramControlPage();
  if (!page || !page->lvwComponents) return;
  if (QTreeWidgetItem* row = FindListItemByKey(page->lvwComponents, key)) row->setText(2, toQString(right));
  enableComponentRemove(*page);
}

void removeComponent() {
  ProgramControlPageControls* page = ProgramControlPage();
  if (!page || !page->lvwComponents) return;
  ErrorBoundary("removeComponent of Module mdlComponentControl", [&] {
    QTreeWidget* list = page->lvwComponents;
    std::vector<std::string> names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->isSelected()) names.push_back(fromQString(list->topLevelItem(i)->text(0)));
    if (names.empty()) return;
    int answer = platform::MsgBox(ComponentRemovalQuestion(names), platform::vbYesNo + platform::vbQuestion, AppTitle);
    if (answer != platform::vbYes) return;

    std::vector<std::string> paths;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->isSelected()) paths.push_back(ListItemTag(list->topLevelItem(i)));
    // All the components go, or, told once, none.
    if (!RemoveComponentEntries(paths)) {
      TellNotSaved("The removal of " + QuotedNames(names), strComponentsFile);
      return;
    }
    for (const std::string& path : paths) delete FindListItemByKey(list, LCase(path));
    if (list->topLevelItemCount() == 0) {
      if (page->rtComponentDetails) page->rtComponentDetails->clear();
    } else {
      list->setFocus();
    }
  });
}

long ExtractIcon(const std::string& path, QLabel* pic16, QLabel* defaultIcon) {
  return ErrorBoundary("ExtractIcon of Module mdlProgramControl", 0L, [&]() -> long {
    if (!pic16) RaiseError(errInvalidCall);
    pic16->clear();
    QPixmap icon = platform::smallFileIcon(path);
    if (!icon.isNull()) {
      pic16->setPixmap(icon);
      return 1;
    }
    pic16->setPixmap(defaultIcon ? defaultIcon->pixmap() : QPixmap());
    return -1;
  });
}

long ExtractIcon(const std::string& path) {
  ProgramControlPageControls* page = ProgramControlPage();
  return ExtractIcon(path, page ? page->pic16 : nullptr, page ? page->defaultIcon : nullptr);
}

int FindListBoxItem(const QListWidget* list, const std::string& text) {
  if (!list) return -1;
  for (int i = 0; i < list->count(); ++i)
    if (SameText(fromQString(list->item(i)->text()), text)) return i;
  return -1;
}

int FindListItemByTag(const QTreeWidget* list, const std::string& text) {
  if (!list) return 0;
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    if (SameText(GetPathFromTag(ListItemTag(list->topLevelItem(i))), text)) return i + 1;
  return 0;
}

// The key and the Tag hold paths as the file system gave them: they are
// kept as bytes, so that a file name that is not UTF-8 still names its file.
namespace {
std::string bytesOf(const QTreeWidgetItem* item, int role) {
  return item ? item->data(0, role).toByteArray().toStdString() : std::string();
}
}  // namespace

std::string ListItemKey(const QTreeWidgetItem* item) { return bytesOf(item, ListKeyRole); }

std::string ListItemTag(const QTreeWidgetItem* item) { return bytesOf(item, ListTagRole); }

void SetListItemKey(QTreeWidgetItem* item, const std::string& key) {
  item->setData(0, ListKeyRole, QByteArray::fromStdString(key));
}

void SetListItemTag(QTreeWidgetItem* item, const std::string& tag) {
  item->setData(0, ListTagRole, QByteArray::fromStdString(tag));
}

std::string ProgramRowName(const QTreeWidgetItem* row) {
  if (!row) return std::string();
  const std::string key = GetPathFromTag(ListItemTag(row));
  return colProgramList.Contains(key) ? colProgramList.Item(key)->ProgramName : fromQString(row->text(0));
}

QTreeWidgetItem* FindListItemByKey(const QTreeWidget* list, const std::string& key) {
  if (!list) return nullptr;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (SameText(ListItemKey(item), key)) return item;
  }
  return nullptr;
}

}  // namespace mv
