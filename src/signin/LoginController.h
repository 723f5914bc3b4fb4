#pragma once

#include "platform/DataFolder.h"
#include "platform/ServiceAddress.h"
#include "store/LoginRecords.h"
#include "store/Settings.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace velmo {

class Autostart;
class Database;
class MessageBoxes;
class ServiceChannel;
struct RunState;
struct ServiceReply;

// What the sign-in window holds when the user signs in.
struct LoginInput
{
    QString user;
    QString password;           // the password box: typed text, or the stars of a remembered one
    bool passwordTyped = false; // false while the box still shows the remembered password's stars
    bool rememberPassword = false;
    bool autoLogin = false;
};

// The sign-in: checks an account against the local account rows or the web service, stores the
// account and the sign-in settings, and hands over to the main window once a user is signed in.
// Every check runs without blocking: the online check is a request whose reply arrives later, and
// questions are answered through the message boxes' callbacks. One sign-in runs at a time.
class LoginController : public QObject
{
    Q_OBJECT

public:
    LoginController(Database& db, RunState& state, ServiceChannel& channel, MessageBoxes& boxes,
                    QObject* parent = nullptr);

    // What start-up read: whether this is the first run, and the remembered password's digest.
    void setPrefill(const LoginPrefill& prefill);
    void setServiceAddress(const ServiceAddress& address) { m_address = address; }
    // Where sound/ and images/ are expected.
    void setAssetFolder(const AssetFolder& assets) { m_assets = assets; }
    // The autostart entry switched on at a first-run sign-in; nullptr leaves it alone.
    void setAutostart(Autostart* autostart) { m_autostart = autostart; }
    // Hands a web page to a browser (true when one took it); the default is the desktop's browser.
    // A page not taken is told to the user with its address.
    void setBrowser(std::function<bool(const QUrl&)> browser) { m_browser = std::move(browser); }
    // The window message boxes belong to.
    void setDialogParent(QWidget* parent) { m_dialogParent = parent; }

    bool isBusy() const { return m_busy; }
    // The status of the sign-in, which the sign-in window shows as its caption.
    QString caption() const { return m_caption; }

    // The sign-in button (and Enter in either box). Ignored while a sign-in is under way.
    void signIn(const LoginInput& input);
    // The automatic sign-in at start: the same, announced in the caption.
    void autoSignIn(const LoginInput& input);

    void openRegistrationPage();
    void openPasswordRecoveryPage();

signals:
    void captionChanged(const QString& caption);
    void busyChanged(bool busy);
    void focusUserBox();
    void focusPasswordBox(bool selectAll);
    // The user is signed in (run state set, rows stored): the main window takes over.
    void signedIn();
    // The settings row is gone; the user has been told, and the program ends now.
    void programMustEnd();

private:
    using Continuation = std::function<void(bool accepted)>;
    using Writes = std::function<LoginWrite()>;

    void setCaption(const QString& caption);
    void setBusy(bool busy);
    void finishAttempt();
    void openPage(const QString& path);
    void warn(const QString& text, const QString& title = {}, std::function<void()> closed = {});

    void localLogin();
    void askOnline(std::function<void()> onYes);
    // The online check of the user and password under way; writes run when the service accepts.
    void checkOnline(Writes writes);
    // The account row and the sign-in settings of an account the service accepted.
    LoginWrite storeVerifiedAccount(bool firstRun);
    void NetLogin(const QString& user, const QString& passHash, Continuation then);
    void onReply(const ServiceReply& reply);
    // No proven answer; reason: the transport's, empty when a reply came.
    void serviceFailure(const QString& reason);
    // Stores the sign-in in one transaction and, when that worked, completes it.
    void commit(const Writes& writes, bool online);
    void handOff();
    void recoverMissingSettings();
    LoginWrite saveLoginConfig(bool clearFirstRun = false);

    Database& m_db;
    RunState& m_state;
    ServiceChannel& m_channel;
    MessageBoxes& m_boxes;
    LoginRecords m_records;
    LoginPrefill m_prefill;
    ServiceAddress m_address;
    AssetFolder m_assets;
    Autostart* m_autostart = nullptr;
    std::function<bool(const QUrl&)> m_browser;
    QPointer<QWidget> m_dialogParent;

    QString m_caption;
    bool m_busy = false;

    // The sign-in under way.
    LoginInput m_input;
    PasswordDigest m_password;
    QString m_requestHash;
    Continuation m_replyContinuation;
};

} // namespace velmo
