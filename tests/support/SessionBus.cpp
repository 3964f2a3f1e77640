#include "tests/support/SessionBus.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QStandardPaths>

namespace mvtest {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");

// Lets every connection own and call anything; no service directory, so
// nothing of the machine is started on the bus.
const char* const kConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

}  // namespace

PrivateSessionBus::PrivateSessionBus(const QString& folder) : folder_(folder.isEmpty() ? dir_.path() : folder) {
  const QString program = QStandardPaths::findExecutable("dbus-daemon");
  EXPECT_FALSE(program.isEmpty()) << "dbus-daemon is not installed (scripts/setup.sh installs the package dbus)";
  if (program.isEmpty() || !dir_.isValid()) return;
  QFile config(dir_.filePath("session.conf"));
  if (!config.open(QIODevice::WriteOnly)) return;
  config.write(QString::fromUtf8(kConfig).arg(folder_).toUtf8());
  config.close();
  daemon_.setProgram(program);
  daemon_.setArguments({"--config-file=" + config.fileName(), "--print-address", "--nofork"});
  daemon_.start();
  // The daemon prints its address once it listens.
  while (daemon_.waitForReadyRead(10000) && !daemon_.canReadLine()) {
  }
  address = QString::fromUtf8(daemon_.readLine()).trimmed();
  pid_ = daemon_.processId();
  EXPECT_FALSE(address.isEmpty()) << "dbus-daemon did not start: " << daemon_.readAllStandardError().toStdString();
  if (!address.isEmpty()) address_.emplace("DBUS_SESSION_BUS_ADDRESS", address.toStdString());
}

PrivateSessionBus::~PrivateSessionBus() {
  if (daemon_.state() == QProcess::NotRunning) return;
  // A stopped daemon would not end until it runs again.
  resume();
  daemon_.terminate();
  if (!daemon_.waitForFinished(10000)) daemon_.kill();
  daemon_.waitForFinished();
}

bool PrivateSessionBus::stop() { return pid_ > 0 && ::kill(static_cast<pid_t>(pid_), SIGSTOP) == 0; }

void PrivateSessionBus::resume() const {
  if (pid_ > 0) ::kill(static_cast<pid_t>(pid_), SIGCONT);
}

// Answers GetActive with the screen saver's state.
class TestScreenSaver::Object : public QDBusVirtualObject {
 public:
  bool active = false;
  int asked = 0;

  QString introspect(const QString&) const override {
    return QStringLiteral(
        "<interface name=\"org.freedesktop.ScreenSaver\">"
        "<method name=\"GetActive\"><arg type=\"b\" direction=\"out\"/></method>"
        "<signal name=\"ActiveChanged\"><arg type=\"b\"/></signal></interface>");
  }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != kInterface || message.member() != QLatin1String("GetActive")) return false;
    ++asked;
    connection.send(message.createReply(active));
    return true;
  }
};

TestScreenSaver::TestScreenSaver(const QString& busAddress, const QString& path, bool active)
    : bus_(QDBusConnection::connectToBus(busAddress, "mvtest-screensaver " + busAddress)),
      path_(path),
      object_(std::make_unique<Object>()) {
  object_->active = active;
  registered_ = bus_.isConnected() && bus_.registerVirtualObject(path_, object_.get()) &&
                bus_.registerService(kService);
}

TestScreenSaver::~TestScreenSaver() {
  bus_.unregisterService(kService);
  bus_.unregisterObject(path_);
  QDBusConnection::disconnectFromBus(bus_.name());
}

int TestScreenSaver::asked() const { return object_->asked; }

void TestScreenSaver::setActive(bool active) {
  object_->active = active;
  QDBusMessage signal = QDBusMessage::createSignal(path_, kInterface, "ActiveChanged");
  signal << active;
  bus_.send(signal);
}

}  // namespace mvtest
