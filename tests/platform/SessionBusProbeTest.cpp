// The look at the session bus taken before Qt starts.
#include "platform/SessionBusProbe.h"

#include <gtest/gtest.h>

#include "tests/support/SessionBus.h"

using namespace mv::platform;
using namespace std::chrono_literals;

namespace {

TEST(SessionBusProbe, ReadsTheUnixSocketsOfAnAddressList) {
  const std::vector<BusSocket> sockets =
      SessionBusSockets("unix:path=/run/user/1000/bus,guid=0123abcd;unix:abstract=/tmp/dbus-x%2Cy,guid=99");
  ASSERT_EQ(sockets.size(), 2u);
  EXPECT_EQ(sockets[0].path, "/run/user/1000/bus");
  EXPECT_FALSE(sockets[0].abstract);
  EXPECT_EQ(sockets[1].path, "/tmp/dbus-x,y");
  EXPECT_TRUE(sockets[1].abstract);
  // Another transport anywhere in the list leaves the bus unjudged.
  EXPECT_TRUE(SessionBusSockets("unix:path=/run/user/1000/bus;tcp:host=localhost,port=1234").empty());
  EXPECT_TRUE(SessionBusSockets("unix:tmpdir=/tmp").empty());
}

TEST(SessionBusProbe, TellsARunningBusAStoppedOneAndNone) {
  mvtest::PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  const std::vector<BusSocket> sockets = SessionBusSockets(bus.address.toStdString());
  ASSERT_EQ(sockets.size(), 1u);
  EXPECT_EQ(SessionBusState(sockets, 1000ms), BusState::Answers);
  EXPECT_EQ(SessionBusState(SessionBusSockets(mvtest::kNoSessionBus), 1000ms), BusState::Absent);
  ASSERT_TRUE(bus.stop());
  EXPECT_EQ(SessionBusState(sockets, 1000ms), BusState::Silent);
  bus.resume();
}

}  // namespace
