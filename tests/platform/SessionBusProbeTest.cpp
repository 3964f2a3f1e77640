// The look at the session bus taken before Qt starts, and the bus the
// programs this one starts are given.
#include "platform/SessionBusProbe.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/Process.h"
#include "tests/support/SessionBus.h"

using namespace mv::platform;
using namespace std::chrono_literals;

namespace {

const char* const kAddressVariable = "DBUS_SESSION_BUS_ADDRESS";

std::string variable(const char* name) {
  const char* value = ::getenv(name);
  return value ? value : "(unset)";
}

std::vector<BusCandidate::Kind> kinds(const std::vector<BusCandidate>& candidates) {
  std::vector<BusCandidate::Kind> list;
  for (const BusCandidate& c : candidates) list.push_back(c.kind);
  return list;
}

// A TCP socket on the loopback that takes connections into its queue and
// never answers, as a stopped bus does; closed with the object.
class SilentTcpListener {
 public:
  SilentTcpListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(fd_, 4) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      port = ntohs(address.sin_port);
  }
  ~SilentTcpListener() { ::close(fd_); }
  int port = 0;

 private:
  int fd_ = -1;
};

// Whether a connection over the loopback reaches a listener there; not where
// the loopback is down (a network namespace of its own, before it is set up).
bool loopbackIsUp() {
  SilentTcpListener listener;
  if (listener.port == 0) return false;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(listener.port));
  const bool reached = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return reached;
}

// A Unix socket that takes no connection off its queue, and whose queue is
// full: a stopped bus after many tries.
class FullUnixListener {
 public:
  explicit FullUnixListener(const std::string& path) {
    sockaddr_un address = mvtest::unixSocketAddress(path);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 0) != 0) return;
    for (;;) {
      const int waiting = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (::connect(waiting, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        full = errno == EAGAIN;
        ::close(waiting);
        return;
      }
      waiting_.push_back(waiting);
    }
  }
  ~FullUnixListener() {
    for (int fd : waiting_) ::close(fd);
    ::close(fd_);
  }
  bool full = false;

 private:
  int fd_ = -1;
  std::vector<int> waiting_;
};

// A TCP port of the loopback on which nothing listens.
int closedPort() {
  SilentTcpListener taken;
  return taken.port;  // free again once the listener is closed
}

TEST(SessionBusProbe, ReadsEveryEntryOfAnAddressListAsLibdbusOpensIt) {
  const std::vector<BusCandidate> candidates = SessionBusCandidates(
      "unix:path=/run/user/1000/bus,guid=0123abcd;unix:abstract=/tmp/dbus-x%2Cy,guid=99;"
      "tcp:host=127.0.0.1,port=1234,family=ipv4;nonce-tcp:port=99,noncefile=/tmp/n;tcp:host=bus.example,port=1;"
      "unixexec:path=/bin/true;autolaunch:;unix:tmpdir=/tmp;tcp:host=::1;launchd:env=X;disabled:");
  using K = BusCandidate;
  EXPECT_EQ(kinds(candidates), (std::vector<BusCandidate::Kind>{K::Unix, K::Unix, K::Tcp, K::NonceTcp, K::Unjudged,
                                                                K::Unjudged, K::Unjudged, K::Refused, K::Refused,
                                                                K::Refused, K::Refused}));
  ASSERT_EQ(candidates.size(), 11u);
  EXPECT_EQ(candidates[0].path, "/run/user/1000/bus");
  EXPECT_FALSE(candidates[0].abstract);
  EXPECT_EQ(candidates[1].path, "/tmp/dbus-x,y");
  EXPECT_TRUE(candidates[1].abstract);
  EXPECT_EQ(candidates[2].host, "127.0.0.1");
  EXPECT_EQ(candidates[2].port, "1234");
  EXPECT_EQ(candidates[2].family, "ipv4");
  EXPECT_EQ(candidates[3].host, "localhost");
  EXPECT_EQ(candidates[3].nonceFile, "/tmp/n");
  // A list libdbus cannot read opens nothing.
  EXPECT_TRUE(SessionBusCandidates("unix:path=/a%zz").empty());
  EXPECT_TRUE(SessionBusCandidates("nocolon").empty());
}

TEST(SessionBusProbe, TellsARunningBusAStoppedOneAndNone) {
  mvtest::PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  const std::vector<BusCandidate> candidates = SessionBusCandidates(bus.address.toStdString());
  ASSERT_EQ(candidates.size(), 1u);
  EXPECT_EQ(SessionBusState(candidates, 1000ms), BusState::Answers);
  EXPECT_EQ(SessionBusState(SessionBusCandidates(mvtest::kNoSessionBus), 1000ms), BusState::Absent);
  ASSERT_TRUE(bus.stop());
  EXPECT_EQ(SessionBusState(candidates, 1000ms), BusState::Silent);
  bus.resume();
}

TEST(SessionBusProbe, ABusWhoseQueueIsFullIsWaitedForWithoutTryingAgainAndAgain) {
  const std::string folder = mvtest::makeTemporaryFolder("mvbus");
  FullUnixListener bus(folder + "/bus");
  ASSERT_TRUE(bus.full);
  rusage before{}, after{};
  ::getrusage(RUSAGE_THREAD, &before);
  EXPECT_EQ(SessionBusState(SessionBusCandidates("unix:path=" + folder + "/bus"), 500ms), BusState::Silent);
  ::getrusage(RUSAGE_THREAD, &after);
  // Each try again would be a sleep of the thread and a wake: waiting for
  // room is one.
  EXPECT_LT(after.ru_nvcsw - before.ru_nvcsw, 10);
  std::filesystem::remove_all(folder);
}

TEST(SessionBusProbe, JudgesTcpEntriesAndTakesTheFirstEntryThatConnects) {
  if (!loopbackIsUp()) GTEST_SKIP() << "the loopback network is down: no TCP bus can be reached on it";
  mvtest::PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  SilentTcpListener silent;
  ASSERT_GT(silent.port, 0);
  const std::string refused = "tcp:host=127.0.0.1,port=" + std::to_string(closedPort());
  EXPECT_EQ(SessionBusState(SessionBusCandidates("tcp:host=localhost,port=" + std::to_string(silent.port)), 1000ms),
            BusState::Silent);
  EXPECT_EQ(SessionBusState(SessionBusCandidates(refused), 1000ms), BusState::Absent);
  // Entries that fail at once are passed to the next, as libdbus does.
  EXPECT_EQ(SessionBusState(SessionBusCandidates(refused + ";unix:tmpdir=/tmp;" + bus.address.toStdString()), 1000ms),
            BusState::Answers);
  // One that runs a program or launches a bus is not looked at.
  EXPECT_EQ(SessionBusState(SessionBusCandidates(refused + ";autolaunch:"), 1000ms), BusState::Unjudged);
  EXPECT_EQ(SessionBusState(SessionBusCandidates("unixexec:path=/bin/cat"), 1000ms), BusState::Unjudged);
}

// The look at start-up, as each program takes it before Qt starts. It sets
// variables of this process: each test puts them back.
class PassOver : public ::testing::Test {
 protected:
  mvtest::EnvironmentVariable runtime{"XDG_RUNTIME_DIR", ""};
  mvtest::EnvironmentVariable address{kAddressVariable, ""};
};

TEST_F(PassOver, AStoppedBusOnlyInTheRuntimeFolderIsPassedOverWithinSecondsAndNotForTheSeam) {
  mvtest::PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  mvtest::EnvironmentVariable runtimeFolder("XDG_RUNTIME_DIR", bus.folder().toStdString());
  mvtest::EnvironmentVariable noAddress(kAddressVariable, "");
  ASSERT_TRUE(bus.stop());
  const auto start = std::chrono::steady_clock::now();
  const std::string line = PassOverSessionBusThatDoesNotAnswer();
  const auto took = std::chrono::steady_clock::now() - start;
  bus.resume();
  EXPECT_NE(line.find("did not answer"), std::string::npos) << line;
  // An address that names no bus: with the variable unset libdbus would take
  // the same silent bus in the runtime folder.
  EXPECT_EQ(variable(kAddressVariable), kNoBusAddress);
  // Well below the ten seconds a start would be held for the longer wait.
  EXPECT_LT(took, 6s);
  // The session gave no address; the seam still finds the bus there.
  EXPECT_EQ(GivenSessionBusAddress(), std::nullopt);
  EXPECT_EQ(SessionBusAddress(), "unix:path=" + bus.folder().toStdString() + "/bus");
}

TEST_F(PassOver, ARunningBusInTheRuntimeFolderIsLeftToQt) {
  mvtest::PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  mvtest::EnvironmentVariable runtimeFolder("XDG_RUNTIME_DIR", bus.folder().toStdString());
  mvtest::EnvironmentVariable noAddress(kAddressVariable, "");
  EXPECT_EQ(PassOverSessionBusThatDoesNotAnswer(), "");
  EXPECT_EQ(variable(kAddressVariable), "");
}

TEST_F(PassOver, WhereNoBusIsThereNoneIsLaunched) {
  EXPECT_EQ(PassOverSessionBusThatDoesNotAnswer(), "");
  EXPECT_EQ(variable(kAddressVariable), kNoBusAddress);
  EXPECT_EQ(GivenSessionBusAddress(), std::nullopt);
  EXPECT_EQ(SessionBusAddress(), "");
  // The programs started get no address, as this one was given none.
  const CommandResult printed = runCommand("/usr/bin/env", true, false, 10s);
  ASSERT_EQ(printed.status, CommandStatus::Finished);
  EXPECT_EQ(printed.output.find(std::string(kAddressVariable) + "="), std::string::npos) << printed.output;
}

TEST_F(PassOver, ProgramsStartedAfterABusWasPassedOverGetTheAddressGiven) {
  mvtest::PrivateSessionBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  mvtest::EnvironmentVariable given(kAddressVariable, bus.address.toStdString());
  ASSERT_TRUE(bus.stop());
  EXPECT_NE(PassOverSessionBusThatDoesNotAnswer(), "");
  bus.resume();
  ASSERT_EQ(variable(kAddressVariable), kNoBusAddress);
  EXPECT_EQ(GivenSessionBusAddress(), bus.address.toStdString());
  EXPECT_EQ(SessionBusAddress(), bus.address.toStdString());
  const CommandResult printed = runCommand("/bin/sh -c \"echo $DBUS_SESSION_BUS_ADDRESS\"", true, false, 10s);
  ASSERT_EQ(printed.status, CommandStatus::Finished);
  EXPECT_EQ(printed.output, bus.address.toStdString() + "\n");
}

}  // namespace
