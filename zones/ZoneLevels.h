#pragma once
// The security level of the Trusted and the Internet zone: 1 Low, 2 Medium,
// 3 High. Read from the store at start-up; the Trusted zone's level never
// exceeds the Internet zone's.
namespace mv {
inline int intTrustedZoneLevel = 0;
inline int intInternetZoneLevel = 0;
}  // namespace mv
