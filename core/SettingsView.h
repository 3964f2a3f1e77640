#pragma once
// A window shows what it read from the settings files at one moment, and
// another program on the same folder (the wizard) may replace the files
// while the window is open. A window takes a mark right before it reads what
// it shows; before it stores a change it asks, holding the folder's lock,
// whether another program replaced a settings file since the mark, and if so
// shows the files again instead of storing a change decided on what they
// held before.
#include <cstdint>
#include <functional>
#include <string>

namespace mv {

// The mark a window takes right before it reads what it shows.
std::uint64_t SettingsSeenNow();
// True when another program replaced a settings file since the mark, or is
// still saving them (its wait for the lock ran out). It looks at the files
// now, holding the folder's lock (so that no change is seen half-way).
bool SettingsOvertaken(std::uint64_t seen);
// Runs `store` holding the folder's lock, so that nothing changes between
// the look and the store; false, with nothing run, when the settings were
// overtaken since the mark.
bool StoreOnView(std::uint64_t seen, const std::function<void()>& store);
// What the user is told when a window did not act for that reason: `what`
// says what was not done ("nothing was removed"); while another program is
// saving, it says that instead.
std::string SettingsOvertakenText(const std::string& what);

}  // namespace mv
