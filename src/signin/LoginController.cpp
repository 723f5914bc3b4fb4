#include "LoginController.h"

#include "controls/MessageBoxes.h"
#include "controls/WebPages.h"
#include "platform/Autostart.h"
#include "platform/FileUtils.h"
#include "platform/Md5.h"
#include "platform/RequestSignature.h"
#include "platform/ServiceChannel.h"
#include "store/Database.h"
#include "store/Recovery.h"
#include "store/RunState.h"

#include <QWidget>

namespace velmo {

namespace {

const QString ServiceAnswerTitle = QStringLiteral("服务器应答");

} // namespace

LoginController::LoginController(Database& db, RunState& state, ServiceChannel& channel, MessageBoxes& boxes,
                                 QObject* parent)
    : QObject(parent)
    , m_db(db)
    , m_state(state)
    , m_channel(channel)
    , m_boxes(boxes)
    , m_records(db)
{
}

void LoginController::setPrefill(const LoginPrefill& prefill)
{
    m_prefill = prefill;
}

void LoginController::setCaption(const QString& caption)
{
    m_caption = caption;
    emit captionChanged(caption);
}

void LoginController::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void LoginController::finishAttempt()
{
    setBusy(false);
}

void LoginController::warn(const QString& text, const QString& title, std::function<void()> closed)
{
    m_boxes.warn(m_dialogParent, text, title, std::move(closed));
}

void LoginController::openPage(const QString& path)
{
    if (!m_address.problem().isEmpty()) {
        warn(m_address.problem());
        return;
    }
    openWebPage(m_address.url(path), m_boxes, m_dialogParent, m_browser);
}

void LoginController::openRegistrationPage()
{
    openPage(QStringLiteral("/reg.asp"));
}

void LoginController::openPasswordRecoveryPage()
{
    openPage(QStringLiteral("/FindPassword.asp"));
}

void LoginController::autoSignIn(const LoginInput& input)
{
    if (m_busy)
        return;
    setCaption(QStringLiteral("开始自动登录验证..."));
    signIn(input);
}

void LoginController::signIn(const LoginInput& input)
{
    if (m_busy)
        return;

    if (!FolderHasFiles(m_assets.filePath(QStringLiteral("images"))) ||
        !FolderHasFiles(m_assets.filePath(QStringLiteral("sound")))) {
        warn(QStringLiteral("检测Images和Sound文件包失败,请从官网下载后解压到程序所在目录"));
        openPage(QStringLiteral("/update.asp"));
    }
    if (input.user.isEmpty()) {
        warn(QStringLiteral("请输入用户名！"), QStringLiteral("登录"));
        emit focusUserBox();
        return;
    }
    if (input.password.isEmpty()) {
        warn(QStringLiteral("请输入密码！"), QStringLiteral("登录"));
        emit focusPasswordBox(false);
        return;
    }
    // Checked before anything is sent: a name the service took but the account row cannot hold
    // would fail only after the online check.
    if (!LoginRecords::fitsUserId(input.user)) {
        warn(QStringLiteral("用户名过长,最多只能有%1个字符！").arg(LoginRecords::MaxUserIdLength),
             QStringLiteral("登录"));
        emit focusUserBox();
        return;
    }

    setBusy(true);
    m_input = input;
    // Stars in the box stand for the remembered digest, which is used as it is.
    if (input.passwordTyped)
        m_password = {MD5_16(input.password), int(input.password.size())};
    else
        m_password = {m_prefill.SavedPassHash, m_prefill.SavedPassLength};

    if (m_prefill.IsFirstRun) {
        setCaption(QStringLiteral("连接远程服务器验证中..."));
        checkOnline([this] { return storeVerifiedAccount(true); });
        return;
    }

    setCaption(QStringLiteral("连接本地数据库验证中..."));
    m_state.UserId = input.user;
    m_state.PassHash = m_password.hash;
    localLogin();
}

void LoginController::localLogin()
{
    const StoreRead<std::optional<AccountRow>> lookup = m_records.find(m_input.user);
    if (!lookup.ok) {
        warn(QStringLiteral("本地数据库读取失败,请检查数据文件后重试。\n") + lookup.error);
        finishAttempt();
        return;
    }

    if (!lookup.value) {
        setCaption(QStringLiteral("本地登陆验证"));
        askOnline([this] { checkOnline([this] { return storeVerifiedAccount(false); }); });
        return;
    }

    // The account goes on under the name as its row spells it, whatever letter case was typed: the
    // memos carry that spelling, and the service knows the account by it.
    const AccountRow row = *lookup.value;
    m_input.user = row.userId;
    m_state.UserId = row.userId;
    const bool typed = m_input.passwordTyped;
    if (row.userPwd == m_password.hash) {
        commit(
            [this, row, typed] {
                if (typed) {
                    const StoreResult remembered = m_records.rememberPassword(row.id, m_password);
                    if (!remembered.ok)
                        return LoginWrite{remembered};
                }
                // The mailbox flag is the signing-in account's, not the one signed in before.
                m_state.MobileMailActive = row.mobileMailActive;
                return saveLoginConfig();
            },
            false);
        return;
    }

    // A wrong password leaves the remembered one alone: only a password that passed a check is kept.
    setCaption(QStringLiteral("本地验证登录失败"));
    askOnline([this, row, typed] {
        checkOnline([this, row, typed] {
            StoreResult result = m_records.setUserPassword(row.id, m_password.hash);
            if (result.ok && typed)
                result = m_records.rememberPassword(row.id, m_password);
            if (!result.ok)
                return LoginWrite{result};
            return saveLoginConfig();
        });
    });
}

void LoginController::checkOnline(Writes writes)
{
    NetLogin(m_input.user, m_password.hash, [this, writes = std::move(writes)](bool accepted) {
        if (!accepted) {
            finishAttempt();
            return;
        }
        commit(writes, true);
    });
}

LoginWrite LoginController::storeVerifiedAccount(bool firstRun)
{
    const std::optional<PasswordDigest> remembered =
        m_input.rememberPassword ? std::optional(m_password) : std::nullopt;
    const StoreRead<QString> account =
        m_records.saveVerifiedAccount(m_input.user, m_password.hash, m_state.MobileMailActive, remembered);
    if (!account.ok)
        return LoginWrite{StoreResult(account)};
    m_input.user = account.value; // an existing row's spelling
    return saveLoginConfig(firstRun);
}

void LoginController::askOnline(std::function<void()> onYes)
{
    emit focusPasswordBox(true);
    QPointer<LoginController> self(this);
    m_boxes.ask(m_dialogParent, QStringLiteral("本地数据库验证失败,是否连接到服务器认证?"),
                QStringLiteral("本地验证失败"), [self, onYes = std::move(onYes)](bool yes) {
                    if (!self)
                        return;
                    if (!yes) {
                        self->finishAttempt();
                        return;
                    }
                    self->setCaption(QStringLiteral("连接到网络验证中..."));
                    onYes();
                });
}

void LoginController::NetLogin(const QString& user, const QString& passHash, Continuation then)
{
    // The configured address is unusable: the default in its place is not the user's service.
    if (!m_address.problem().isEmpty()) {
        setCaption(QStringLiteral("服务器连接错误"));
        warn(m_address.problem());
        then(false);
        return;
    }
    // The name is percent-encoded from its GBK bytes, so "&", "#", spaces and Chinese characters
    // reach the service intact; letters and digits go as they are.
    const QUrl url = signedLoginUrl(m_address, user, passHash);
    m_requestHash = passHash;
    m_replyContinuation = std::move(then);
    if (ServiceRequest* request = m_channel.openUrl(url)) {
        connect(request, &ServiceRequest::finished, this, &LoginController::onReply);
        return;
    }
    // Another transfer is still running on this channel: nothing was sent.
    ServiceReply none;
    none.status = ServiceReply::Status::NetworkError;
    onReply(none);
}

void LoginController::onReply(const ServiceReply& reply)
{
    Continuation then = std::move(m_replyContinuation);
    m_replyContinuation = nullptr;

    // Only a complete reply counts; an error page, a refused connection or a time-out is a failure.
    const SignInReply answer = parseSignInReply(reply.ok() ? reply.text : QString(), m_requestHash);
    switch (answer.kind) {
    case SignInReply::Kind::Refused:
        setCaption(QStringLiteral("账号密码验证失败"));
        emit focusPasswordBox(true);
        warn(QStringLiteral("账号或密码不正确,请重试!"), ServiceAnswerTitle);
        then(false);
        return;
    case SignInReply::Kind::Accepted:
        setCaption(QStringLiteral("网络验证成功"));
        m_state.MobileMailActive = answer.mailbox;
        then(true);
        return;
    case SignInReply::Kind::Unproven: // an "ok" without the right proof is a failed service too
    case SignInReply::Kind::Failed:
        break;
    }
    serviceFailure(reply.errorString);
    then(false);
}

void LoginController::serviceFailure(const QString& reason)
{
    setCaption(QStringLiteral("服务器连接错误"));
    warn(serviceFailureText(reason), QStringLiteral("服务器返回值错误"));
}

LoginWrite LoginController::saveLoginConfig(bool clearFirstRun)
{
    return m_records.SaveLoginConfig(m_input.user, m_input.rememberPassword, m_input.autoLogin,
                                     clearFirstRun);
}

void LoginController::commit(const Writes& writes, bool online)
{
    LoginWrite outcome;
    {
        Transaction transaction(m_db);
        outcome = writes();
        if (outcome.result.ok)
            outcome.result = transaction.commit();
    }
    if (outcome.settingsRowMissing) {
        recoverMissingSettings();
        return;
    }
    if (!outcome.result.ok) {
        setCaption(QStringLiteral("登录信息保存失败"));
        warn(QStringLiteral("登录信息保存失败,请检查数据文件后重试。\n") + outcome.result.error);
        finishAttempt();
        return;
    }

    if (!online) {
        setCaption(m_input.passwordTyped ? QStringLiteral("本地登陆成功")
                                         : QStringLiteral("Velmo 本地登陆成功"));
        m_state.LocalSignedIn = true;
        handOff();
        return;
    }
    m_state.ServerVerified = true;
    m_state.UserId = m_input.user;
    m_state.PassHash = m_password.hash;
    // The first sign-in on this computer, once it succeeded, also makes the program start with the
    // desktop.
    if (m_prefill.IsFirstRun && m_autostart && !m_autostart->SetAutoRun())
        qWarning("velmo: autostart entry not written: %s", qPrintable(m_autostart->errorString()));
    QPointer<LoginController> self(this);
    warn(QStringLiteral("服务器验证通过，登录成功！"), QStringLiteral("登陆提示"), [self] {
        if (self)
            self->handOff();
    });
}

void LoginController::handOff()
{
    finishAttempt();
    emit signedIn();
}

void LoginController::recoverMissingSettings()
{
    QPointer<LoginController> self(this);
    warn(RecoverMissingRowText(m_state.DbPath), {}, [self] {
        if (self)
            emit self->programMustEnd();
    });
}

} // namespace velmo
