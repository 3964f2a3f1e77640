#pragma once
// The desktop's screen saver, followed over the session bus: the service
// org.freedesktop.ScreenSaver answers GetActive and announces ActiveChanged.
// Every question is answered in the background with a short time limit, the
// session bus reached in the background too, so the window never waits for
// the desktop. The bus is the one the session gave this program (see
// SessionBusAddress), reached even where it was passed over at the start
// once it answers; where there is none, or where it cannot be looked at
// quickly (an address that runs a program, or names a host to look up), no
// screen saver answers: no bus is started.
#include <QObject>
#include <QString>
#include <functional>

class QDBusConnection;

namespace mv::platform {

// Whether a screen saver answered, and whether it is running.
using ScreenSaverAnswer = std::function<void(bool answers, bool active)>;

// Asks the desktop's screen saver once; `answered` runs with the outcome when
// it arrives (answers false where there is no session bus, where the bus is
// not reached or no screen saver answers in time), never from within this
// call, and only while `context` lives.
void AskScreenSaver(QObject* context, ScreenSaverAnswer answered);

// Follows the screen saver from its creation on: asks it at once, then
// listens for its announcements, from whichever program gives them. A bus
// not reached is tried again in the background, and asked once reached.
class ScreenSaverWatch : public QObject {
  Q_OBJECT
 public:
  explicit ScreenSaverWatch(QObject* parent = nullptr);

  // True while the screen saver runs, as last heard; false where none answers.
  bool Active() const { return active_; }
  // Asks again; a different answer comes as ActiveChanged.
  void Ask();

 signals:
  void ActiveChanged(bool active);

 private slots:
  void announced(bool active);

 private:
  void listen(const QDBusConnection& bus);
  void setActive(bool active);

  bool active_ = false;
  QString listening_;  // the name of the connection announcements come on
};

}  // namespace mv::platform
