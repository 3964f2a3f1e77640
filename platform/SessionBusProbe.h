#pragma once
// A short look at the session bus before Qt starts. Qt reaches the session
// bus on its own (the menu bar, the tray icon, accessibility) and waits for
// it without a time limit, so a bus that takes connections but never answers
// (a stopped dbus-daemon) would keep the window from ever appearing. Where
// the bus does not answer within about a second, DBUS_SESSION_BUS_ADDRESS is
// made to name no bus for this process, and every part of the program
// behaves as where no session bus is. No bus is ever started.
#include <chrono>
#include <string>
#include <vector>

namespace mv::platform {

// One socket a session bus address names.
struct BusSocket {
  std::string path;
  bool abstract = false;  // in the abstract namespace rather than a file
};

// The sockets named by a D-Bus address list ("unix:path=..." and
// "unix:abstract=..." entries separated by ';', keys such as guid ignored,
// %XX escapes decoded), in order. Empty when any entry uses another transport
// or cannot be read, since the bus is then not ours to judge.
std::vector<BusSocket> SessionBusSockets(const std::string& address);

enum class BusState {
  Answers,  // replied to the start of an authentication
  Absent,   // no socket there takes connections: libdbus gives up at once
  Silent,   // took the connection (or keeps it queued) and said nothing
};

// How the bus at the first socket that takes a connection (as libdbus picks
// it) answers the start of an authentication, within `limit` in all.
BusState SessionBusState(const std::vector<BusSocket>& sockets, std::chrono::milliseconds limit);

// What DBUS_SESSION_BUS_ADDRESS is set to when the bus does not answer: an
// address of no transport, which libdbus and Qt refuse at once. Unsetting the
// variable would not do: libdbus would then take $XDG_RUNTIME_DIR/bus, most
// often the same silent bus, and failing that may launch a bus of its own.
inline constexpr const char* kNoBusAddress = "disabled:";

// Looks at the session bus libdbus would take (the one
// DBUS_SESSION_BUS_ADDRESS names, or where that is unset $XDG_RUNTIME_DIR/bus)
// and, when it is there but does not answer within a second, sets the
// variable to kNoBusAddress. Gives a line for the error log when it did so,
// else "". Leaves other transports alone. To be called before any thread or
// Qt starts.
std::string PassOverSessionBusThatDoesNotAnswer();

}  // namespace mv::platform
