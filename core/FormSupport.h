#pragma once
// What every form of the system shares: the page base with its AllowResize
// switch, the Tag of a control, tool tips from the tool-tip file, the
// loaded-form test and the icons of the system's own resources.
#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <string>

namespace mv {

// A page of the main window. Its resize handler resizes its controls only
// while AllowResize is set.
class Page : public QWidget {
  Q_OBJECT
 public:
  explicit Page(QWidget* parent = nullptr) : QWidget(parent) {}
  bool AllowResize = false;

 protected:
  void resizeEvent(QResizeEvent* e) override;
};

// The Tag of a control (its tool-tip key), kept as a property.
void SetTag(QWidget* control, const std::string& tag);
std::string Tag(const QWidget* control);

// Sets the tool tip of every control of the window that has a Tag, from the
// window's section of the tool-tip file; a Tag without a key clears it.
void LoadToolTipText(QWidget* window, const std::string& section);

// True when a window of that name (its object name, without regard to case)
// is loaded.
bool IsFormLoaded(const std::string& name);

// Tells the user that a change was not stored: "<what> could not be saved in
// <file>." The caller keeps its window open and shows what the files hold.
void TellNotSaved(const std::string& what, const std::string& file);

// The pictures of the system's own icon resources: 101-109 (toolbar),
// 1072 (window icon), and the tray pictures.
QPixmap ResourceIcon(int id, int size = 32);
QIcon WindowIcon();

}  // namespace mv
