#include "LoginForm.h"

namespace velmo {

QString passwordStars(int length)
{
    if (length <= 0)
        return {};
    return QString(length <= 20 ? length : 15, QLatin1Char('*'));
}

LoginFormState loginFormState(const RunState& state, const LoginPrefill& prefill)
{
    LoginFormState form;
    form.user = prefill.LastUserName;
    form.rememberPassword = state.SavePass;
    if (state.SavePass)
        form.passwordStars = passwordStars(prefill.SavedPassLength);
    form.autoLogin = state.AutoLogin;
    form.armAutoSignIn =
        state.AutoLogin && !prefill.LastUserName.isEmpty() && !prefill.SavedPassHash.isEmpty();
    return form;
}

} // namespace velmo
