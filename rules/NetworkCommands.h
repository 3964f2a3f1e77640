#pragma once
// The three network commands of the main window: Lock, Stop and Apply (also
// Unlock). Each returns True only when it was carried out; a command refused
// by the login gate, by another operation under way, or that failed, leaves
// the displayed network state as it was.
namespace mv {

inline bool blnFormLoading = false;  // a page is filling its lists

// `askLogin` false skips the login gate: the automatic lock only tightens
// the firewall and must engage for an absent user.
bool LockNetwork(bool askLogin = true);
bool StopNetwork(bool askLogin = true);
bool ReStartService();

// Tray icon pictures and toolbar button 5 pictures of the network states.
constexpr int trayNormal = 1, trayStopped = 7, trayLocked = 8;
constexpr int buttonNormal = 5, buttonLockedOrStopped = 9;

}  // namespace mv
