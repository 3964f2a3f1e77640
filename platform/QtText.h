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
// Whether the bytes are UTF-8 text: a name that is not (Linux names are
// bytes) does not survive a trip through QString.
inline bool isUtf8(const std::string& s) { return fromQString(toQString(s)) == s; }
}  // namespace mv::platform
