#include "core/MSubclass.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <map>
#include <vector>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"

namespace mv {

namespace {

// What the kit keeps of a subclassed window.
struct WindowEntry {
  int registrations = 0;
  std::map<int, std::vector<ISubclass*>> clients;  // by message, in order of registration
  QSize ownMinimum, ownMaximum;                    // the window's own size limits
  QMetaObject::Connection destroyed;
};

std::map<QObject*, WindowEntry>& windows() {
  static std::map<QObject*, WindowEntry> w;
  return w;
}

WindowEntry* entryOf(QObject* hWnd) {
  auto it = windows().find(hWnd);
  return it == windows().end() ? nullptr : &it->second;
}

// The shared handler installed on every subclassed window.
class SubclassFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

SubclassFilter& filter() {
  static SubclassFilter f;
  return f;
}

// Asks the window's clients for its size limits and applies them.
void askTrackSize(QObject* hWnd) {
  auto* w = qobject_cast<QWidget*>(hWnd);
  const WindowEntry* e = entryOf(hWnd);
  if (!w || !e) return;
  MinMaxInfo info(e->ownMinimum, e->ownMaximum);
  QCoreApplication::sendEvent(w, &info);
  w->setMinimumSize(info.ptMinTrackSize);
  w->setMaximumSize(info.ptMaxTrackSize);
}

bool SubclassFilter::eventFilter(QObject* watched, QEvent* event) {
  const int msg = event->type();
  if (msg == QEvent::Show && ClientCount(watched, WM_GETMINMAXINFO) > 0) askTrackSize(watched);
  if (ClientCount(watched, msg) <= 0) return false;
  WindowProc(watched, msg, event);
  // The kit has run the window's own handling itself, or left it out.
  return true;
}

void subclass(QObject* hWnd) {
  WindowEntry& e = windows()[hWnd];
  if (auto* w = qobject_cast<QWidget*>(hWnd)) {
    e.ownMinimum = w->minimumSize();
    e.ownMaximum = w->maximumSize();
  }
  // A window that goes away takes its registrations with it.
  e.destroyed = QObject::connect(hWnd, &QObject::destroyed, [hWnd] { windows().erase(hWnd); });
  hWnd->installEventFilter(&filter());
}

void unsubclass(QObject* hWnd) {
  WindowEntry* e = entryOf(hWnd);
  hWnd->removeEventFilter(&filter());
  QObject::disconnect(e->destroyed);
  if (auto* w = qobject_cast<QWidget*>(hWnd)) {
    w->setMinimumSize(e->ownMinimum);
    w->setMaximumSize(e->ownMaximum);
  }
  windows().erase(hWnd);
}

const char* descriptionOf(int number) {
  switch (number) {
    case errCantSubclass: return "Can't subclass window";
    case errAlreadyHandled: return "Message already handled by another class";
    case errInvalidWindow: return "Invalid window";
    case errExternalWindow: return "Can't modify external window";
    case errTooManyTimers: return "No more than 10 timers allowed per class";
    case errCantCreateTimer: return "Can't create system timer";
    default: return "";
  }
}

// The client at 1-based position i of the message's list; null past its end.
ISubclass* clientAt(QObject* hWnd, int iMsg, int i) {
  const WindowEntry* e = entryOf(hWnd);
  if (!e) return nullptr;
  auto it = e->clients.find(iMsg);
  if (it == e->clients.end() || i > static_cast<int>(it->second.size())) return nullptr;
  return it->second[i - 1];
}

}  // namespace

void ErrRaise(int number) {
  if (number < 1001) RaiseError(number);
  throw RuntimeError(static_cast<int>(ObjectErrorBase | static_cast<std::uint32_t>(number)), descriptionOf(number));
}

int RegistrationCount(QObject* hWnd) {
  const WindowEntry* e = entryOf(hWnd);
  return e ? e->registrations : 0;
}

int ClientCount(QObject* hWnd, int iMsg) {
  const WindowEntry* e = entryOf(hWnd);
  if (!e) return 0;
  auto it = e->clients.find(iMsg);
  return it == e->clients.end() ? 0 : static_cast<int>(it->second.size());
}

bool IsWindowLocal(QObject* hWnd) {
  try {
    return hWnd && hWnd->thread() == QThread::currentThread();
  } catch (const std::exception& e) {
    WriteErrorLog(e, "IsWindowLocal of MSubclass");
  }
  return false;
}

void AttachMessage(ISubclass* client, QObject* hWnd, int iMsg) {
  ErrorBoundary("AttachMessage of MSubclass", [&] {
    if (!hWnd) ErrRaise(errInvalidWindow);
    if (!IsWindowLocal(hWnd)) ErrRaise(errExternalWindow);
    if (!client) ErrRaise(errInvalidCall);
    // A client registers once per message; a second attempt counts nothing.
    if (WindowEntry* e = entryOf(hWnd)) {
      const auto& list = e->clients[iMsg];
      if (std::find(list.begin(), list.end(), client) != list.end()) ErrRaise(errAlreadyHandled);
    } else {
      subclass(hWnd);
    }
    WindowEntry& e = windows()[hWnd];
    ++e.registrations;
    e.clients[iMsg].push_back(client);
    if (iMsg == WM_GETMINMAXINFO) askTrackSize(hWnd);
  });
}

void DetachMessage(ISubclass* client, QObject* hWnd, int iMsg) {
  ErrorBoundary("DetachMessage of MSubclass", [&] {
    WindowEntry* e = entryOf(hWnd);
    if (!e) return;
    auto it = e->clients.find(iMsg);
    if (it == e->clients.end()) return;
    auto& list = it->second;
    auto pos = std::find(list.begin(), list.end(), client);
    if (pos == list.end()) return;
    list.erase(pos);
    if (list.empty()) e->clients.erase(it);
    if (--e->registrations == 0) unsubclass(hWnd);
    else if (iMsg == WM_GETMINMAXINFO) askTrackSize(hWnd);
  });
}

long WindowProc(QObject* hWnd, int iMsg, QEvent* event) {
  long result = 0;
  try {
    const int n = ClientCount(hWnd, iMsg);
    if (n <= 0) return CallOldWindowProc(hWnd, event);
    bool oldCalled = false;
    auto callOld = [&] {
      result = CallOldWindowProc(hWnd, event);
      oldCalled = true;
    };
    // Clients may leave while the message is handed round: each is looked up
    // afresh, and a place left empty gets the window's own handling.
    for (int i = 1; i <= n; ++i) {
      ISubclass* client = clientAt(hWnd, iMsg, i);
      if (!client) {
        result = CallOldWindowProc(hWnd, event);
        continue;
      }
      lngCurrentMessage = iMsg;
      if (i == 1 && client->MsgResponse() == ISubclass::emrPreprocess && !oldCalled) callOld();
      result = client->WindowProc(hWnd, iMsg, event);
      if (i == n && client->MsgResponse() == ISubclass::emrPostProcess && !oldCalled) callOld();
    }
  } catch (const std::exception& e) {
    WriteErrorLog(e, "WindowProc of MSubclass");
  }
  return result;
}

long CurrentMessage() { return lngCurrentMessage; }

long CallOldWindowProc(QObject* hWnd, QEvent* event) {
  try {
    // The window's own handler, past the kit's filter.
    return hWnd->event(event) ? 1 : 0;
  } catch (const std::exception& e) {
    WriteErrorLog(e, "CallOldWindowProc of MSubclass");
  }
  return 0;
}

}  // namespace mv
