#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <memory>

namespace mv::platform {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kRetryMs = 100;

int pipeFds[2] = {-1, -1};

struct State {
  std::function<bool(int)> handler;
  std::unique_ptr<QSocketNotifier> notifier;
  bool pending = false;  // a signal waits for the handler to accept it
};

State& state() {
  static State s;
  return s;
}

// Runs in the signal's context: only async-signal-safe calls.
extern "C" void onSignal(int signal) {
  int saved = errno;
  unsigned char byte = static_cast<unsigned char>(signal);
  if (pipeFds[1] >= 0) {
    ssize_t written = ::write(pipeFds[1], &byte, 1);
    (void)written;  // a full pipe already holds a signal to deliver
  }
  errno = saved;
}

void deliver(int signal) {
  State& s = state();
  if (!s.handler) return;
  if (s.handler(signal)) {
    s.pending = false;
    return;
  }
  s.pending = true;
  QTimer::singleShot(kRetryMs, [signal] { deliver(signal); });
}

void readPipe() {
  unsigned char byte = 0;
  int last = 0;
  while (::read(pipeFds[0], &byte, 1) == 1) last = byte;
  // One ending is enough: further signals while one waits change nothing.
  if (last != 0 && !state().pending) deliver(last);
}

bool openPipe() {
  if (pipeFds[0] >= 0) return true;
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipeFds[0] = pipeFds[1] = -1;
    return false;
  }
  return true;
}

}  // namespace

void onTerminationSignal(std::function<bool(int)> handler) {
  State& s = state();
  s.handler = std::move(handler);
  if (!openPipe()) return;
  if (!s.notifier) {
    s.notifier = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    QObject::connect(s.notifier.get(), &QSocketNotifier::activated, [] { readPipe(); });
  }
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
}

void removeTerminationSignals() {
  for (int sig : kSignals) ::signal(sig, SIG_DFL);
  State& s = state();
  s.notifier.reset();
  s.handler = nullptr;
  s.pending = false;
}

}  // namespace mv::platform
