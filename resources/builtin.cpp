#include "resources/builtin.h"

#include <QDir>
#include <QFile>

static void initBuiltinResources() {
  static bool done = false;
  if (!done) {
    Q_INIT_RESOURCE(mvbuiltin);
    done = true;
  }
}

namespace mv {


std::optional<std::string> LoadBuiltinResource(const std::string& name) {
  initBuiltinResources();
  for (const QString& n : QDir(":/mv").entryList(QDir::Files)) {
    if (n.compare(QString::fromStdString(name), Qt::CaseInsensitive) != 0) continue;
    QFile f(":/mv/" + n);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray b = f.readAll();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
  }
  return std::nullopt;
}

}  // namespace mv
