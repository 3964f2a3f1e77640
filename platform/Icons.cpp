#include "platform/Icons.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/QtText.h"
#include "platform/Seam.h"

namespace mv::platform {
namespace {

constexpr int SmallIconSize = 16;

QPixmap desktopIcon(const std::string& path) {
  if (!fileExists(path)) return QPixmap();
  QFileIconProvider provider;
  QIcon icon = provider.icon(QFileInfo(toQString(resolvePath(path))));
  if (icon.isNull()) return QPixmap();
  return icon.pixmap(SmallIconSize, SmallIconSize);
}

Seam<QPixmap(const std::string&)>& iconSource() {
  static Seam<QPixmap(const std::string&)> seam(desktopIcon);
  return seam;
}

}  // namespace

QPixmap smallFileIcon(const std::string& path) { return iconSource()(path); }

void setFileIconHandler(FileIconHandler handler) { iconSource().replace(std::move(handler)); }

}  // namespace mv::platform
