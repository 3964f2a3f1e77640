#include "platform/Icons.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/QtText.h"

namespace mv::platform {
namespace {

constexpr int SmallIconSize = 16;

FileIconHandler& handlerSlot() {
  static FileIconHandler handler;
  return handler;
}

QPixmap desktopIcon(const std::string& path) {
  if (!fileExists(path)) return QPixmap();
  QFileIconProvider provider;
  QIcon icon = provider.icon(QFileInfo(toQString(resolvePath(path))));
  if (icon.isNull()) return QPixmap();
  return icon.pixmap(SmallIconSize, SmallIconSize);
}

}  // namespace

QPixmap smallFileIcon(const std::string& path) {
  if (handlerSlot()) return handlerSlot()(path);
  return desktopIcon(path);
}

void setFileIconHandler(FileIconHandler handler) { handlerSlot() = std::move(handler); }

}  // namespace mv::platform
