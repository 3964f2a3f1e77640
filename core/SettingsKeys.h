#pragma once
// The sections and keys of the settings files that more than one module
// reads or writes, each named once.
namespace mv::keys {

// Sections.
inline constexpr const char* Main = "Main";
inline constexpr const char* AutoLock = "AutoLock";

// AlertsAndLogSetting.MVL [Main].
inline constexpr const char* Path = "Path";
inline constexpr const char* LogSeparation = "LogSeparation";
inline constexpr const char* AlertEvent = "AlertEvent";
inline constexpr const char* ProgramLog = "ProgramLog";
inline constexpr const char* SystemTray = "SystemTray";
inline constexpr const char* LoadOnStartup = "LoadOnStartup";
inline constexpr const char* HideOnStartup = "HideOnStartup";
inline constexpr const char* AlertOn = "AlertOn";
inline constexpr const char* AlertDay = "AlertDay";
inline constexpr const char* AlertDays = "AlertDays";
inline constexpr const char* LastArchiveDate = "LastArchiveDate";
inline constexpr const char* LastArchiveFile = "LastArchiveFile";

// ProgramMain.MVL [Main].
inline constexpr const char* DefaultAccessTrusted = "DefaultAccessTrusted";
inline constexpr const char* DefaultAccessInternet = "DefaultAccessInternet";
inline constexpr const char* DefaultServerTrusted = "DefaultServerTrusted";
inline constexpr const char* DefaultServerInternet = "DefaultServerInternet";
inline constexpr const char* ShowAlertOnInternetAccess = "ShowAlertOnInternetAccess";
inline constexpr const char* DenyAccessOnAsk = "DenyAccessOnAsk";
inline constexpr const char* RequiredAdminRites = "RequiredAdminRites";
inline constexpr const char* AutomaticLock = "AutomaticLock";
inline constexpr const char* ControlLevel = "ControlLevel";
// ProgramMain.MVL [AutoLock].
inline constexpr const char* LockMode = "LockMode";
inline constexpr const char* LockInterval = "LockInterval";
inline constexpr const char* EngagesMode = "EngagesMode";

}  // namespace mv::keys
