#pragma once
// The parts of the program and component stores that fill the program-control
// page's widgets: its program and component rows, the program icons, the
// list look-ups its dialogs share, and the removal of the selected
// components. The page registers its controls while it is loaded; the stores
// reach these procedures only through their hooks.
#include <QPixmap>
#include <array>
#include <map>
#include <string>

class QAbstractButton;
class QLabel;
class QListWidget;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace mv {

// The controls of the program-control page that the stores keep up to date.
struct ProgramControlPageControls {
  QTreeWidget* lvwPrograms = nullptr;
  QTreeWidget* lvwComponents = nullptr;
  QLabel* pic16 = nullptr;        // the 16-pixel picture box
  QLabel* defaultIcon = nullptr;  // the picture of a program without an icon
  std::map<std::string, QPixmap> ProgramImgList16;  // program icons by lower-cased path
  QAbstractButton* cmdProgramControlProgramOption = nullptr;
  QAbstractButton* cmdRemove = nullptr;
  QAbstractButton* cmdComponentRemove = nullptr;
  QTextEdit* rtComponentDetails = nullptr;
};

// The page registers its controls when it is loaded and passes null when it
// is unloaded; while none are registered the procedures below do nothing.
void RegisterProgramControlPage(ProgramControlPageControls* controls);
ProgramControlPageControls* ProgramControlPage();

// Sets the stores' hooks to the procedures below (once, at start-up).
void InstallProgramListHooks();

// The row of the listed program (by its lower-cased path): name and icon,
// the four rights and the lock; Options and Remove become usable.
void AddProgramRow(const std::string& key);
// Appends that row to the page's program list and keeps its picture in
// ProgramImgList16; throws when the program is not listed or its picture key
// is taken (the row exists already).
QTreeWidgetItem* AppendProgramRow(ProgramControlPageControls& page, const std::string& key);
// Shows a program row as running (bold, green) or not (plain, black).
void ShowProgramRowActivity(QTreeWidgetItem* row, bool active);
// Appends the row of a listed component to the list.
class clsComponentList;
QTreeWidgetItem* AppendComponentRow(QTreeWidget* list, const clsComponentList& component);
// The program's row shows the four right texts.
void ShowProgramRowRights(const std::string& key, const std::array<std::string, 4>& rights);
// The component's row (name, description, right), and Remove becomes usable.
void AddComponentRow(const std::string& key);
void ShowComponentRowRight(const std::string& key, const std::string& right);

// Removes the components selected on the page after the user has confirmed.
void removeComponent();

// Puts the file's small icon into the picture box `pic16`, or the picture of
// `defaultIcon` when the file has none. 1 for the file's icon, -1 for the
// default picture, 0 on failure. Without boxes, those of the program page.
long ExtractIcon(const std::string& path, QLabel* pic16, QLabel* defaultIcon);
long ExtractIcon(const std::string& path);

// 0-based index of the first entry equal to `text` ignoring case; -1 if none.
int FindListBoxItem(const QListWidget* list, const std::string& text);
// 1-based index of the first row whose Tag holds the path `text` (the Tag
// less its flag, compared whole and ignoring case); 0 if none.
int FindListItemByTag(const QTreeWidget* list, const std::string& text);

// Rows of the page's list views: the key and the Tag of a row, kept in item
// data; sub-item n is column n.
std::string ListItemKey(const QTreeWidgetItem* item);
std::string ListItemTag(const QTreeWidgetItem* item);
void SetListItemKey(QTreeWidgetItem* item, const std::string& key);
void SetListItemTag(QTreeWidgetItem* item, const std::string& tag);
// The name of a program row's program as stored (its section), byte for
// byte; the row shows it as the desktop does, and a name that is not UTF-8
// does not survive the way back from the row's text.
std::string ProgramRowName(const QTreeWidgetItem* row);
// The row under `key` (compared ignoring case), or null.
QTreeWidgetItem* FindListItemByKey(const QTreeWidget* list, const std::string& key);

}  // namespace mv
