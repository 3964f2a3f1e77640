#pragma once
// Window subclassing: any number of clients register for single messages of
// any window of the program, and one shared handler (an event filter on the
// window) hands each registered message to them in order of registration,
// running the window's own handling before them, after them or not at all, as
// they ask. A message no client registered for goes to the window as usual.
//
// Messages are Qt event types. Window-system messages Qt has no event for
// take numbers from QEvent::User on.
#include <QEvent>
#include <QSize>
#include <cstdint>

#include "core/ISubclass.h"

namespace mv {

// The window's size limits are asked for: a MinMaxInfo event.
constexpr int WM_GETMINMAXINFO = QEvent::User + 36;

// The size limits of a window's inner area, in pixels. The kit fills in the
// window's own limits, sends the event through the window's clients, and
// gives the window what they leave in it. It asks when a client of the
// message registers or leaves and each time the window is shown.
class MinMaxInfo : public QEvent {
 public:
  MinMaxInfo(QSize minTrack, QSize maxTrack)
      : QEvent(static_cast<QEvent::Type>(WM_GETMINMAXINFO)), ptMinTrackSize(minTrack), ptMaxTrackSize(maxTrack) {}
  QSize ptMinTrackSize;
  QSize ptMaxTrackSize;
};

// The message being handed to the clients (the last one, afterwards).
inline std::int32_t lngCurrentMessage = 0;

// Error numbers of the kit, raised as the object-error base or the number.
constexpr int errCantSubclass = 13081;
constexpr int errAlreadyHandled = 13082;
constexpr int errInvalidWindow = 13083;
constexpr int errExternalWindow = 13084;
constexpr int errTooManyTimers = 13651;
constexpr int errCantCreateTimer = 13652;
constexpr std::uint32_t ObjectErrorBase = 0x80040000u;
// Raises the kit's error with its description; a number below 1001 is raised
// as the run-time error of that number.
[[noreturn]] void ErrRaise(int number);

// Registers the client for the window's message. An invalid window, a window
// of another thread, or a client already registered for the message is
// logged and changes nothing.
void AttachMessage(ISubclass* client, QObject* hWnd, int iMsg);
// Unregisters the client. A client that is not registered for the message
// changes nothing. The last registration's end gives the window back its own
// handling (and its own size limits).
void DetachMessage(ISubclass* client, QObject* hWnd, int iMsg);
// Hands the message to the window's clients; the result of the last client,
// or of the window's own handling when it runs last.
long WindowProc(QObject* hWnd, int iMsg, QEvent* event);
long CurrentMessage();
// The window's own handling of the event: 1 when it handled it.
long CallOldWindowProc(QObject* hWnd, QEvent* event);
// True when the window belongs to this thread, so the kit may subclass it.
bool IsWindowLocal(QObject* hWnd);

// The registrations on the window (one per client and message), and the
// clients of one message; 0 when there are none.
int RegistrationCount(QObject* hWnd);
int ClientCount(QObject* hWnd, int iMsg);

}  // namespace mv
