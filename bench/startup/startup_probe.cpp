// The program's own start, run as a whole process for the start-up benchmark: it exits as soon as
// the stage named on its command line is reached.
//
//   velmo_startup_probe window DATA   the sign-in window has been drawn
//   velmo_startup_probe signin DATA   the automatic sign-in has finished (no main window is built)
//   velmo_startup_probe main DATA     the main window has run its load after the sign-in
//   velmo_startup_probe shown DATA    the main window has been drawn for the first time
//
// Exit codes: 0 reached, 2 the start-up failed, 3 the stage was not reached within 30 seconds.

#include "app/MainWindowHandOff.h"
#include "app/Startup.h"
#include "app/UiLanguage.h"
#include "mainwin/Form1.h"
#include "platform/ServiceAddress.h"
#include "platform/SingleInstance.h"
#include "platform/SystemTimeZone.h"
#include "signin/frmLogin.h"

#include <QApplication>
#include <QTimer>

namespace {

// Ends the process once the window it watches has painted for the first time.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    velmo::pinSystemTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    QApplication::setApplicationVersion(QStringLiteral("1.8.3"));
    QApplication::setQuitOnLastWindowClosed(false);
    velmo::installChineseLanguage();
    const QStringList args = QCoreApplication::arguments();
    const QString stage = args.value(1);

    velmo::SingleInstance instance(
        QStringLiteral("velmo-startup-bench-%1").arg(QCoreApplication::applicationPid()));
    if (!instance.claim())
        return 2;

    velmo::StartupOptions options;
    options.dataFolder = velmo::DataFolder(args.value(2));
    options.version = QStringLiteral("1.8.3");
    options.serviceAddress = velmo::ServiceAddress::load();
    velmo::Startup startup(std::move(options));
    QObject::connect(&instance, &velmo::SingleInstance::commandReceived, &startup,
                     &velmo::Startup::handleCommand);
    QObject::connect(&startup, &velmo::Startup::programMustEnd, &app, [] { QCoreApplication::exit(2); });
    // The main window is built only when its load is what is timed.
    std::unique_ptr<velmo::MainWindowHandOff> handOff;
    FirstPaint firstPaint;
    if (stage == QLatin1String("signin")) {
        QObject::connect(&startup, &velmo::Startup::signedIn, &app, [] { QCoreApplication::exit(0); });
    } else if (stage == QLatin1String("main")) {
        handOff = std::make_unique<velmo::MainWindowHandOff>(startup);
        QObject::connect(handOff.get(), &velmo::MainWindowHandOff::mainWindowLoaded, &app,
                         [] { QCoreApplication::exit(0); });
    } else if (stage == QLatin1String("shown")) {
        handOff = std::make_unique<velmo::MainWindowHandOff>(startup);
        QObject::connect(handOff.get(), &velmo::MainWindowHandOff::mainWindowLoaded, &app,
                         [&handOff, &firstPaint] { handOff->mainWindow()->installEventFilter(&firstPaint); });
    }
    QTimer::singleShot(30000, &app, [] { QCoreApplication::exit(3); });

    if (!startup.start())
        return 2;
    if (stage == QLatin1String("window"))
        startup.loginWindow().installEventFilter(&firstPaint);
    return app.exec();
}
