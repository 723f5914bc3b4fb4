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
    form.rememberPassword = state.settings.SavePass;
    if (state.settings.SavePass)
        form.passwordStars = passwordStars(prefill.SavedPassLength);
    form.autoLogin = state.settings.AutoLogin;
    form.armAutoSignIn =
        state.settings.AutoLogin && !prefill.LastUserName.isEmpty() && !prefill.SavedPassHash.isEmpty();
    return form;
}

} // namespace velmo
