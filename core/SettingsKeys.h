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

// AlertsAndLogSetting.MVL [Main]: the alerts page and the counters.
inline constexpr const char* LastAlerts = "LastAlerts";  // alerts the page lists, 1 to 9999
inline constexpr const char* LastLogFile = "LastLogFile";  // read and written by nothing
inline constexpr const char* LastLogLineNo = "LastLogLineNo";  // read and written by nothing
inline constexpr const char* NewProgram = "NewProgram";  // per-kind alert switches
inline constexpr const char* ChangedProgram = "ChangedProgram";
inline constexpr const char* RepeatProgram = "RepeatProgram";
inline constexpr const char* ServerProgram = "ServerProgram";
inline constexpr const char* NewProgramComponent = "NewProgramComponent";
inline constexpr const char* ChangedProgramComponent = "ChangedProgramComponent";
inline constexpr const char* LastQTRAlertArchive = "LastQTRAlertArchive";  // read and written by nothing
inline constexpr const char* IAllows = "IAllows";
inline constexpr const char* IBlocked = "IBlocked";
inline constexpr const char* IPrograms = "IPrograms";
inline constexpr const char* OAllows = "OAllows";
inline constexpr const char* OBlocked = "OBlocked";
inline constexpr const char* OPrograms = "OPrograms";

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
