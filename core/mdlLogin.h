#pragma once
// The settings password in memory and the login gate.
#include <string>

namespace mv {

inline std::string strPassword;  // clear text; "" when no password is set
inline bool blnLoggedIn = false;

// True when no password is set or the user has logged in; otherwise shows the
// login window and returns its outcome. A call while the login window is
// already open returns False at once.
bool CheckLogin();

// The stored password, checked against its registry copy (the program ends
// when they disagree).
std::string getPassword();

}  // namespace mv
