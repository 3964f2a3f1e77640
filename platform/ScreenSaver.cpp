#include "platform/ScreenSaver.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <array>

namespace mv::platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
// Desktops serve the screen saver at one of these objects; the first that
// knows GetActive answers.
const std::array<QString, 2> kPaths = {QStringLiteral("/org/freedesktop/ScreenSaver"),
                                       QStringLiteral("/ScreenSaver")};
// A screen saver that has not answered by then counts as none.
constexpr int kAnswerTime = 2000;

// The session bus the environment names now. Each address gets a connection
// of its own, so a bus named after this program started (a new desktop
// session, a test's private bus) is reached; a bus that cannot be reached is
// tried again at the next question.
QDBusConnection sessionBus() {
  const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  const QString name = QStringLiteral("morvantis-session ") + address;
  QDBusConnection bus = address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                                          : QDBusConnection::connectToBus(address, name);
  if (!bus.isConnected()) QDBusConnection::disconnectFromBus(name);
  return bus;
}

// An object that has no such method or interface sends the question on to
// the next object; no service, no session bus or no answer in time end it.
bool tryNextObject(const QDBusError& error) {
  return error.type() == QDBusError::UnknownObject || error.type() == QDBusError::UnknownMethod ||
         error.type() == QDBusError::UnknownInterface || error.type() == QDBusError::InvalidArgs;
}

void askObject(const QDBusConnection& bus, std::size_t path, QObject* context, const ScreenSaverAnswer& answered) {
  const QDBusMessage call = QDBusMessage::createMethodCall(kService, kPaths[path], kInterface, "GetActive");
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTime), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [bus, path, context, answered](QDBusPendingCallWatcher* w) {
                     w->deleteLater();
                     const QDBusPendingReply<bool> reply = *w;
                     if (reply.isValid()) return answered(true, reply.value());
                     if (tryNextObject(reply.error()) && path + 1 < kPaths.size())
                       return askObject(bus, path + 1, context, answered);
                     answered(false, false);
                   });
}

}  // namespace

void AskScreenSaver(QObject* context, ScreenSaverAnswer answered) {
  const QDBusConnection bus = sessionBus();
  if (!bus.isConnected()) {
    QTimer::singleShot(0, context, [answered] { answered(false, false); });
    return;
  }
  askObject(bus, 0, context, answered);
}

ScreenSaverWatch::ScreenSaverWatch(QObject* parent) : QObject(parent) { Ask(); }

void ScreenSaverWatch::Ask() {
  listen();
  AskScreenSaver(this, [this](bool answers, bool active) { setActive(answers && active); });
}

void ScreenSaverWatch::listen() {
  if (listening_) return;
  // Any sender, any object: the screen saver may start after this program,
  // and desktops announce at either of their objects.
  listening_ = sessionBus().connect(QString(), QString(), kInterface, QStringLiteral("ActiveChanged"), this,
                                    SLOT(announced(bool)));
}

void ScreenSaverWatch::announced(bool active) { setActive(active); }

void ScreenSaverWatch::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  emit ActiveChanged(active);
}

}  // namespace mv::platform
