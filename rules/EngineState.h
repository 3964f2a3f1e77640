#pragma once
// The state the engine runs in, kept in one place: engine control, the rule
// writer and start-up record it, and one procedure shows it on the tray
// picture, toolbar button 5 and the tray menu's checks.
namespace mv {

enum class EngineState {
  Normal,   // the rules of the settings
  Locked,   // block-all rules: all traffic locked
  Stopped,  // all traffic stopped, or the service did not start
};

EngineState CurrentEngineState();
// Records the state (blnNetworkLocked and blnNetworkStopped follow it) and
// shows it.
void SetEngineState(EngineState state);
// Shows the recorded state; a form that has just set its hooks calls it.
void ShowEngineState();

}  // namespace mv
