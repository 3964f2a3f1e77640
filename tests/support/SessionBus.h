#pragma once
// A session bus of the test's own, and a screen saver to put on it.
#include <sys/socket.h>
#include <sys/un.h>

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/TestEnv.h"

namespace mvtest {

// The address of the Unix socket at `path`, for bind and connect (a path too
// long for it is cut, as the kernel would refuse it anyway).
inline sockaddr_un unixSocketAddress(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), std::min(path.size() + 1, sizeof address.sun_path - 1));
  return address;
}

// A dbus-daemon started with a configuration that starts no service of the
// machine; DBUS_SESSION_BUS_ADDRESS names it while it lives. The test fails
// when no dbus-daemon is installed.
class PrivateSessionBus {
 public:
  // Listening on the socket "bus" in a folder of its own, or in `folder`
  // where one is given (a bus started again where one was before).
  explicit PrivateSessionBus(const QString& folder = QString());
  ~PrivateSessionBus();
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  // Empty when the daemon did not start.
  QString address;
  // The folder in which the daemon listens, on the socket "bus" (where a
  // desktop session's bus sits in $XDG_RUNTIME_DIR).
  QString folder() const { return folder_; }

  // Stops the daemon (SIGSTOP): it still takes connections but answers
  // nothing until resumed. True when it was stopped.
  bool stop();
  // Lets a stopped daemon run on (SIGCONT); callable from any thread.
  void resume() const;

 private:
  qint64 pid_ = 0;
  QTemporaryDir dir_;
  QString folder_;
  QProcess daemon_;
  std::optional<EnvironmentVariable> address_;
};

// The desktop's screen saver as a test plays it: the service
// org.freedesktop.ScreenSaver on the bus, answering GetActive at one object
// path and announcing ActiveChanged from it.
class TestScreenSaver {
 public:
  TestScreenSaver(const QString& busAddress, const QString& path, bool active);
  ~TestScreenSaver();
  TestScreenSaver(const TestScreenSaver&) = delete;
  TestScreenSaver& operator=(const TestScreenSaver&) = delete;

  // True when the service name is held and the object registered.
  bool registered() const { return registered_; }
  // How often GetActive was asked.
  int asked() const;
  // Starts or ends the screen saver and announces it.
  void setActive(bool active);

 private:
  class Object;
  QDBusConnection bus_;
  QString path_;
  std::unique_ptr<Object> object_;
  bool registered_ = false;
};

// Runs the event loop until `done` is true (processEventsUntil).
inline bool waitFor(const std::function<bool()>& done) { return processEventsUntil(done); }

// The address of a session bus that does not exist.
inline constexpr const char* kNoSessionBus = "unix:path=/nonexistent/morvantis-test-bus";

}  // namespace mvtest
