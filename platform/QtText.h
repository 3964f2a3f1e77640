#pragma once
// The one conversion between the system's byte strings and Qt's strings.
// Bytes are UTF-8 on this platform; they pass through unchanged.
#include <QString>
#include <string>

namespace mv::platform {
inline QString toQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string fromQString(const QString& s) {
  QByteArray b = s.toUtf8();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}
}  // namespace mv::platform
