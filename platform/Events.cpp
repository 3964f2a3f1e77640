#include "platform/Events.h"

#include <QCoreApplication>
#include <QThread>

namespace mv::platform {
namespace {
// The background work under way, and the level of the event loop it runs
// in: a modal window's own loop runs deeper.
struct Background {
  bool on = false;
  int level = 0;
};
Background& background() {
  static Background b;
  return b;
}
int loopLevel() { return QThread::currentThread()->loopLevel(); }
int& modalWindows() {
  static int up = 0;
  return up;
}

// Events let run inside background work are not part of it.
class Foreground {
 public:
  Foreground() : was_(background()) { background().on = false; }
  ~Foreground() { background() = was_; }

 private:
  Background was_;
};
}  // namespace

void pumpEvents() {
  if (!QCoreApplication::instance()) return;
  Foreground foreground;
  QCoreApplication::processEvents();
}

BackgroundWork::BackgroundWork() : wasOn_(background().on), wasLevel_(background().level) {
  background() = {true, loopLevel()};
}
BackgroundWork::~BackgroundWork() { background() = {wasOn_, wasLevel_}; }

bool inBackgroundWork() { return background().on && background().level == loopLevel(); }

// A modal window's loop runs one level deeper than the code that shows it:
// background work that shows one does not reach the events it runs.
ModalWindowUp::ModalWindowUp() { ++modalWindows(); }
ModalWindowUp::~ModalWindowUp() { --modalWindows(); }

bool modalWindowUp() { return modalWindows() > 0; }
}  // namespace mv::platform
