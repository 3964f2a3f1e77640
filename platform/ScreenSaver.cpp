#include "platform/ScreenSaver.h"

#include "platform/SessionBusProbe.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QCoreApplication>
#include <QTimer>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mv::platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
// Desktops serve the screen saver at one of these objects; the first that
// knows GetActive answers.
const std::array<QString, 2> kPaths = {QStringLiteral("/org/freedesktop/ScreenSaver"),
                                       QStringLiteral("/ScreenSaver")};
// A screen saver that has not answered by then counts as none; so does a
// session bus not reached by then.
constexpr int kAnswerTime = 2000;

// How often a bus not reached is tried again while the screen saver is followed.
constexpr int kRetryTime = 2000;

using BusReady = std::function<void(const std::optional<QDBusConnection>& bus)>;

// The session bus this program was given, reached in the background.
// Connecting waits until the bus answers, and for a bus that takes
// connections but answers none (a hung desktop, or a bus still busy when the
// program started) libdbus waits a long while; that must not hold the
// window. So a thread of its own connects, one connection at a time, and
// until it is done the window's thread calls nothing of Qt D-Bus: Qt makes
// every connection on its D-Bus thread and would have a caller wait for that
// one to end.
//
// The address is the one the session gave this program (or the bus in
// $XDG_RUNTIME_DIR where none is given), not the variable Qt reads, which a
// bus passed over at the start leaves naming none. Each address gets a
// connection of its own, so a bus named after this program started (a new
// desktop session, a test's private bus) is reached; a bus that could not be
// reached or has gone is tried again at the next question, and every few
// seconds while someone follows it. Where there is no bus, none is looked
// for or started.
// The connecting threads still running. Qt D-Bus's own objects go when the
// program ends, and a thread still connecting would then use them: the end
// of the application waits for the threads a short while (a bus that answers
// does in milliseconds). Never destroyed, so a thread may use it to the end.
struct ConnectingThreads {
  std::mutex mutex;
  std::condition_variable done;
  int running = 0;
  static ConnectingThreads& instance() {
    static auto* threads = [] {
      auto* t = new ConnectingThreads;
      qAddPostRoutine([] {
        ConnectingThreads& c = ConnectingThreads::instance();
        std::unique_lock<std::mutex> lock(c.mutex);
        c.done.wait_for(lock, std::chrono::seconds(5), [&c] { return c.running == 0; });
      });
      return t;
    }();
    return *threads;
  }
};

QString busAddress() { return QString::fromStdString(SessionBusAddress()); }

class SessionBusLink : public QObject {
 public:
  // The one link; it lives as long as the program.
  static SessionBusLink& instance() {
    static auto* link = new SessionBusLink;
    return *link;
  }

  // Runs `ready` with the connection, or with none where there is no bus or
  // it is not reached within the answer time; never from within this call,
  // and only while `context` lives.
  void whenConnected(QObject* context, BusReady ready) {
    const QString address = busAddress();
    if (!connecting_) {
      if (address.isEmpty() || reached(address)) {
        const std::optional<QDBusConnection> bus = address.isEmpty() ? std::nullopt : bus_;
        QTimer::singleShot(0, context, [ready, bus] { ready(bus); });
        return;
      }
      connectTo(address);
    }
    const int id = ++lastId_;
    std::erase_if(waiting_, [](const Waiting& w) { return !w.context; });
    waiting_.push_back({id, context, std::move(ready)});
    QTimer::singleShot(kAnswerTime, context, [this, id] {
      for (auto w = waiting_.begin(); w != waiting_.end(); ++w) {
        if (w->id != id) continue;
        const BusReady ready = std::move(w->ready);
        waiting_.erase(w);
        return ready(std::nullopt);
      }
    });
  }

  // While `follower` lives, the bus is tried again every few seconds until it
  // is reached, and `connected` runs each time a connection is made.
  void follow(QObject* follower, std::function<void()> connected) {
    followers_.push_back({follower, std::move(connected)});
    retry_.start();
  }

 private:
  struct Waiting {
    int id;
    QPointer<QObject> context;
    BusReady ready;
  };
  struct Follower {
    QPointer<QObject> follower;
    std::function<void()> connected;
  };

  SessionBusLink() {
    retry_.setInterval(kRetryTime);
    connect(&retry_, &QTimer::timeout, this, [this] {
      std::erase_if(followers_, [](const Follower& f) { return !f.follower; });
      if (followers_.empty()) return retry_.stop();
      const QString address = busAddress();
      if (!connecting_ && !address.isEmpty() && !reached(address)) connectTo(address);
    });
  }

  // Whether the connection to `address` is made and still there.
  bool reached(const QString& address) const { return bus_ && address == address_ && bus_->isConnected(); }

  void connectTo(const QString& address) {
    connecting_ = true;
    const QString replaced = bus_ ? bus_->name() : QString();
    bus_.reset();
    address_ = address;
    const QString name = QStringLiteral("morvantis-session %1").arg(++attempts_);
    ConnectingThreads& threads = ConnectingThreads::instance();
    {
      std::lock_guard<std::mutex> lock(threads.mutex);
      ++threads.running;
    }
    std::thread([this, replaced, address, name, &threads] {
      if (!replaced.isEmpty()) QDBusConnection::disconnectFromBus(replaced);
      // Qt D-Bus makes a connection on a thread of its own that every other
      // use of D-Bus in this program waits for, and libdbus may wait a long
      // time for a bus that takes the connection but does not answer, or
      // for a program it runs or a host name it looks up to give it one: the
      // bus is looked at here first, for a second at most, and connected to
      // only when it answered. One that did not, or that cannot be looked at
      // quickly, is left for the next try.
      std::optional<QDBusConnection> bus;
      if (SessionBusState(SessionBusCandidates(address.toStdString()), kSessionBusWait) == BusState::Answers) {
        bus = QDBusConnection::connectToBus(address, name);
        if (!bus->isConnected()) {
          bus.reset();
          QDBusConnection::disconnectFromBus(name);
        }
      }
      QMetaObject::invokeMethod(this, [this, bus] { connected(bus); }, Qt::QueuedConnection);
      std::lock_guard<std::mutex> lock(threads.mutex);
      --threads.running;
      threads.done.notify_all();
    }).detach();
  }

  void connected(const std::optional<QDBusConnection>& bus) {
    connecting_ = false;
    bus_ = bus;
    // The bus to use may be another by now: the questions wait for that one.
    const QString address = busAddress();
    if (!address.isEmpty() && address != address_) return connectTo(address);
    std::vector<Waiting> waiting;
    waiting.swap(waiting_);
    for (const Waiting& w : waiting)
      if (w.context) w.ready(address.isEmpty() ? std::nullopt : bus_);
    if (!bus_ || address.isEmpty()) return;
    std::vector<Follower> followers = followers_;
    for (const Follower& f : followers)
      if (f.follower) f.connected();
  }

  QString address_;  // of the connection made or being made
  std::optional<QDBusConnection> bus_;
  bool connecting_ = false;
  int attempts_ = 0;
  int lastId_ = 0;
  std::vector<Waiting> waiting_;
  std::vector<Follower> followers_;
  QTimer retry_;
};

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
  SessionBusLink::instance().whenConnected(context, [context, answered](const std::optional<QDBusConnection>& bus) {
    if (!bus) return answered(false, false);
    askObject(*bus, 0, context, answered);
  });
}

ScreenSaverWatch::ScreenSaverWatch(QObject* parent) : QObject(parent) {
  // A bus reached later (one busy when the program started, or one that
  // came back) is listened to and asked at once.
  SessionBusLink::instance().follow(this, [this] { Ask(); });
  Ask();
}

void ScreenSaverWatch::Ask() {
  SessionBusLink::instance().whenConnected(this, [this](const std::optional<QDBusConnection>& bus) {
    if (!bus) return setActive(false);
    listen(*bus);
    askObject(*bus, 0, this, [this](bool answers, bool active) { setActive(answers && active); });
  });
}

void ScreenSaverWatch::listen(const QDBusConnection& bus) {
  if (listening_ == bus.name()) return;
  // Any sender, any object: the screen saver may start after this program,
  // and desktops announce at either of their objects.
  if (QDBusConnection(bus).connect(QString(), QString(), kInterface, QStringLiteral("ActiveChanged"), this,
                                   SLOT(announced(bool))))
    listening_ = bus.name();
}

void ScreenSaverWatch::announced(bool active) { setActive(active); }

void ScreenSaverWatch::setActive(bool active) {
  if (active == active_) return;
  active_ = active;
  emit ActiveChanged(active);
}

}  // namespace mv::platform
