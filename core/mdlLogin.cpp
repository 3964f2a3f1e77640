#include "core/mdlLogin.h"

#include "core/FormHooks.h"

namespace mv {

bool CheckLogin() {
  static bool asking = false;
  if (strPassword.empty() || blnLoggedIn) return true;
  if (asking || !hooks::ShowLogin) return false;
  asking = true;
  try {
    hooks::ShowLogin();
  } catch (...) {
  }
  asking = false;
  return blnLoggedIn;
}

}  // namespace mv
