// The screen saver asked over the session bus: a bus that does not answer,
// and one that has gone and come back.
#include "platform/ScreenSaver.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <optional>

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
