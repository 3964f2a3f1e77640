#pragma once
// A short look at the session bus before Qt starts. Qt reaches the session
// bus on its own (the menu bar, the tray icon, accessibility) and waits for
// it without a time limit, so a bus that takes connections but never answers
// (a stopped dbus-daemon) would keep the window from ever appearing; and
// where no bus is named, libdbus launches one of its own (dbus-launch and a
// dbus-daemon that outlive the program). In both cases this process's
// DBUS_SESSION_BUS_ADDRESS is made to name no bus, and every part of Qt
// behaves as where no session bus is. The address the session gave is kept:
// the programs this one starts get it, and the screen-saver seam reaches the
// bus through it once the bus answers.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace mv::platform {

// One entry of a D-Bus address list, as libdbus would open it.
struct BusCandidate {
  enum Kind {
    Unix,      // a Unix socket: `path`, in the abstract namespace when `abstract`
    Tcp,       // a TCP socket: `host`, `port`, `family` ("", "ipv4", "ipv6")
    NonceTcp,  // as Tcp, the connection opened by the bytes of `nonceFile`
    Unjudged,  // opened by running a program or launching a bus: not looked at
    Refused,   // libdbus fails it at once (a transport it does not open, or
               // one only a bus listens on) and takes the next entry
  };
  Kind kind = Refused;
  std::string path;
  bool abstract = false;
  std::string host, port, family, nonceFile;
};

// The entries of a D-Bus address list ("method:key=value,..." separated by
// ';', %XX escapes decoded), in order; empty when the list cannot be read,
// as libdbus then opens nothing.
std::vector<BusCandidate> SessionBusCandidates(const std::string& address);

enum class BusState {
  Answers,   // replied to the start of an authentication
  Absent,    // no entry takes a connection: libdbus gives up at once
  Silent,    // took the connection (or keeps it pending) and said nothing
  Unjudged,  // the entry libdbus would open cannot be looked at quickly
};

// How the bus at the first entry that takes a connection (as libdbus picks
// it) answers the start of an authentication, within `limit` in all.
BusState SessionBusState(const std::vector<BusCandidate>& candidates, std::chrono::milliseconds limit);

// How long the look at the bus waits for an answer.
inline constexpr std::chrono::milliseconds kSessionBusWait{1000};

// What DBUS_SESSION_BUS_ADDRESS is set to when the bus is passed over: an
// address of no transport, which libdbus and Qt refuse at once. Unsetting the
// variable would not do: libdbus would then take $XDG_RUNTIME_DIR/bus, most
// often the same silent bus, and failing that launch a bus of its own.
inline constexpr const char* kNoBusAddress = "disabled:";

// Looks at the session bus libdbus would take (the one
// DBUS_SESSION_BUS_ADDRESS names, or where that is unset $XDG_RUNTIME_DIR/bus)
// and sets the variable to kNoBusAddress when the bus is there but does not
// answer within kSessionBusWait, when it cannot be looked at quickly, or when
// there is none and libdbus would launch one. Gives a line for the error log
// when a bus was passed over, else "". To be called before any thread or Qt
// starts.
std::string PassOverSessionBusThatDoesNotAnswer();

// The session bus address this program was given: DBUS_SESSION_BUS_ADDRESS
// as it was before the look above replaced it, else as it is now; none where
// it is unset or empty.
std::optional<std::string> GivenSessionBusAddress();

// The address of the session bus of the user's session, as libdbus finds it
// from what this program was given: the given address, or where none is given
// the socket $XDG_RUNTIME_DIR/bus when it is one of this user's. "" where
// there is none, or where reaching it would launch a bus.
std::string SessionBusAddress();

// The environment for the programs this one starts: this process's own, with
// DBUS_SESSION_BUS_ADDRESS as this program was given it. Made before fork, as
// the new process may only read it.
class ChildEnvironment {
 public:
  ChildEnvironment();
  ChildEnvironment(const ChildEnvironment&) = delete;
  ChildEnvironment& operator=(const ChildEnvironment&) = delete;

  // "NAME=value" each.
  const std::vector<std::string>& entries() const { return entries_; }
  // The entries as execve takes them, ended by a null pointer.
  char* const* envp() const { return pointers_.data(); }

 private:
  std::vector<std::string> entries_;
  std::vector<char*> pointers_;
};

}  // namespace mv::platform
