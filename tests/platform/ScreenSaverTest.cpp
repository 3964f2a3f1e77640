// The screen saver asked over the session bus: a bus that does not answer,
// and one that has gone and come back.
#include "platform/ScreenSaver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "tests/support/SessionBus.h"

using namespace mv::platform;

namespace mvtest {
namespace {

struct Answer {
  bool answers = false;
  bool active = false;
};

// Asks the screen saver once and waits for the answer.
std::optional<Answer> ask(QObject* context) {
  std::optional<Answer> answer;
  AskScreenSaver(context, [&answer](bool answers, bool active) { answer = Answer{answers, active}; });
  waitFor([&] { return answer.has_value(); });
  return answer;
}

TEST(ScreenSaverSeam, ABusThatTakesTheConnectionButDoesNotAnswerCountsAsNoneWithinSeconds) {
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  ASSERT_TRUE(bus.stop());
  QObject context;
  QElapsedTimer clock;
  clock.start();
  const std::optional<Answer> answer = ask(&context);
  const qint64 took = clock.elapsed();
  bus.resume();
  ASSERT_TRUE(answer.has_value());
  EXPECT_FALSE(answer->answers);
  // Generous against a busy machine, well below a wait of minutes.
  EXPECT_LT(took, 6000);
}

// Qt D-Bus makes every connection on one thread of its own: the seam's try of
// a silent bus must not hold up the program's other uses of D-Bus.
TEST(ScreenSaverSeam, ASilentBusHoldsUpNoOtherConnection) {
  PrivateSessionBus live;
  PrivateSessionBus silent;  // the one the seam is given
  ASSERT_FALSE(silent.address.isEmpty());
  ASSERT_FALSE(live.address.isEmpty());
  ASSERT_TRUE(silent.stop());
  QObject context;
  ASSERT_TRUE(ask(&context).has_value());
  QElapsedTimer clock;
  clock.start();
  const bool connected = QDBusConnection::connectToBus(live.address, "other use").isConnected();
  const qint64 took = clock.elapsed();
  QDBusConnection::disconnectFromBus("other use");
  silent.resume();
  EXPECT_TRUE(connected);
  // libdbus waits about 25 s for a silent bus; a connection behind it would too.
  EXPECT_LT(took, 6000);
}

// A bus that answers the start of an authentication and nothing after it,
// as a bus that hangs after taking a connection: the look at the bus finds
// it answering, and a connection to it is left waiting for the rest. Closed,
// with every connection it took, with the object.
class BusThatHangsAfterItsFirstAnswer {
 public:
  explicit BusThatHangsAfterItsFirstAnswer(const std::string& path) {
    sockaddr_un address = mvtest::unixSocketAddress(path);
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    listening = ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(listener_, 8) == 0 && ::pipe2(stop_, O_CLOEXEC) == 0;
    if (listening) thread_ = std::thread([this] { serve(); });
  }
  ~BusThatHangsAfterItsFirstAnswer() {
    if (thread_.joinable()) {
      const ssize_t written = ::write(stop_[1], "x", 1);
      (void)written;
      thread_.join();
      ::close(stop_[0]);
      ::close(stop_[1]);
    }
    ::close(listener_);
  }
  bool listening = false;

 private:
  void serve() {
    std::vector<pollfd> fds{{stop_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    std::map<int, std::string> heard;
    while (::poll(fds.data(), fds.size(), -1) >= 0 && !fds[0].revents) {
      if (fds[1].revents) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) fds.push_back({client, POLLIN, 0});
      }
      for (std::size_t i = 2; i < fds.size(); ++i) {
        if (!fds[i].revents) continue;
        char buffer[256];
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n <= 0) {
          ::close(fds[i].fd);
          heard.erase(fds[i].fd);
          fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i--));
          continue;
        }
        std::string& line = heard[fds[i].fd];
        const bool answered = line.find("\r\n") != std::string::npos;
        line.append(buffer, static_cast<std::size_t>(n));
        if (!answered && line.find("\r\n") != std::string::npos) {
          const std::string ok = "OK 0123456789abcdef0123456789abcdef\r\n";
          const ssize_t written = ::write(fds[i].fd, ok.data(), ok.size());
          (void)written;
        }
      }
    }
    for (std::size_t i = 2; i < fds.size(); ++i) ::close(fds[i].fd);
  }

  int listener_ = -1;
  int stop_[2] = {-1, -1};
  std::thread thread_;
};

// The question gives up on a connection that does not come within its own
// short time (the wait for the answer here lasts ten seconds at most).
TEST(ScreenSaverSeam, ABusThatHangsAfterTheLookCountsAsNoneWithinTheQuestionsTime) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string path = folder.path().toStdString() + "/bus";
  BusThatHangsAfterItsFirstAnswer bus(path);
  ASSERT_TRUE(bus.listening);
  EnvironmentVariable address("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);
  QObject context;
  const std::optional<Answer> answer = ask(&context);
  ASSERT_TRUE(answer.has_value()) << "the question waited on the connection";
  EXPECT_FALSE(answer->answers);
}

// An address that runs a program to reach the bus cannot be looked at
// quickly; libdbus would wait on the program for as long as it runs, holding
// up Qt D-Bus's thread.
TEST(ScreenSaverSeam, ABusReachedByRunningAProgramIsNotConnectedTo) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string program = folder.path().toStdString() + "/bus", ran = folder.path().toStdString() + "/ran";
  std::ofstream(program) << "#!/bin/sh\n: > '" << ran << "'\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  EnvironmentVariable address("DBUS_SESSION_BUS_ADDRESS", "unixexec:path=" + program);
  QObject context;
  const std::optional<Answer> answer = ask(&context);
  ASSERT_TRUE(answer.has_value());
  EXPECT_FALSE(answer->answers);
  EXPECT_FALSE(std::filesystem::exists(ran)) << "the program was run";
}

TEST(ScreenSaverSeam, ABusInTheRuntimeFolderThatHasGoneIsReachedAgainWhenItComesBack) {
  // The session's bus where no address is given: $XDG_RUNTIME_DIR/bus.
  QTemporaryDir runtime;
  ASSERT_TRUE(runtime.isValid());
  EnvironmentVariable folder("XDG_RUNTIME_DIR", runtime.path().toStdString());
  QObject context;
  {
    PrivateSessionBus first(runtime.path());
    ASSERT_FALSE(first.address.isEmpty());
    EnvironmentVariable noAddress("DBUS_SESSION_BUS_ADDRESS", "");
    TestScreenSaver saver(first.address, "/org/freedesktop/ScreenSaver", false);
    ASSERT_TRUE(saver.registered());
    const std::optional<Answer> answer = ask(&context);
    ASSERT_TRUE(answer.has_value());
    EXPECT_TRUE(answer->answers);
  }
  PrivateSessionBus second(runtime.path());
  ASSERT_FALSE(second.address.isEmpty());
  EnvironmentVariable noAddress("DBUS_SESSION_BUS_ADDRESS", "");
  TestScreenSaver saver(second.address, "/org/freedesktop/ScreenSaver", true);
  ASSERT_TRUE(saver.registered());
  // The link notices the first bus gone and connects to the second.
  std::optional<Answer> answer;
  waitFor([&] {
    answer = ask(&context);
    return answer && answer->answers;
  });
  ASSERT_TRUE(answer.has_value());
  EXPECT_TRUE(answer->answers);
  EXPECT_TRUE(answer->active);
}

}  // namespace
}  // namespace mvtest
