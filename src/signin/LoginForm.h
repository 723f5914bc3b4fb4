#pragma once

#include "store/RunState.h"
#include "store/Settings.h"

#include <QString>

namespace velmo {

// How the sign-in window opens: the remembered user, the stars that stand for a remembered
// password, the two check boxes, and whether the automatic sign-in is armed.
struct LoginFormState
{
    QString user;
    QString passwordStars;
    bool rememberPassword = false;
    bool autoLogin = false;
    bool armAutoSignIn = false;
};

// One star per character of the remembered password, at most 20; a longer one shows 15.
QString passwordStars(int length);

LoginFormState loginFormState(const RunState& state, const LoginPrefill& prefill);

} // namespace velmo
