#pragma once
// Acts on a modal window while it runs its own event loop: a timer looks for
// the window and, each time one opens, runs the test's action on it once. A
// window the action leaves open, or a second one opened while the action
// runs, is counted and closed, so a test fails instead of hanging.
#include <QTimer>
#include <QWidget>
#include <functional>

namespace mvtest {

class ModalDriver {
 public:
  ModalDriver(std::function<QWidget*()> find, std::function<void()> act) : find_(std::move(find)), act_(std::move(act)) {
    // A timer does not fire again while its own handler runs, so a second
    // one watches for windows opened during the action.
    for (QTimer* timer : {&timer_, &watch_}) {
      timer->setInterval(5);
      QObject::connect(timer, &QTimer::timeout, [this] { tick(); });
      timer->start();
    }
  }

  int opened = 0;      // windows acted on
  int leftOpen = 0;    // windows the action did not close

 private:
  void tick() {
    QWidget* window = find_();
    if (!window || !window->isVisible()) return;
    if (current_) {
      if (window != current_) closeLeftOpen(window);
      return;
    }
    current_ = window;
    ++opened;
    act_();
    if (window == find_() && window->isVisible()) closeLeftOpen(window);
    current_ = nullptr;
  }
  void closeLeftOpen(QWidget* window) {
    if (window != current_) ++opened;
    ++leftOpen;
    window->close();
  }

  std::function<QWidget*()> find_;
  std::function<void()> act_;
  QTimer timer_;
  QTimer watch_;
  QWidget* current_ = nullptr;  // the window being acted on
};

}  // namespace mvtest
