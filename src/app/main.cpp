#include "MainWindowHandOff.h"

#include "app/QuitSignals.h"
#include "app/Startup.h"
#include "app/UiLanguage.h"
#include "controls/MessageBoxes.h"
#include "mainwin/Form1.h"
#include "platform/ServiceAddress.h"
#include "platform/SingleInstance.h"
#include "platform/SystemTimeZone.h"
#include "platform/TunePlayer.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    // The media backend is chosen once per process, before anything plays.
    velmo::clsMusic::prepareMediaEnvironment();
    velmo::pinSystemTimeZone();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    QApplication::setApplicationVersion(QStringLiteral(VELMO_VERSION));
    // The program lives on in the tray; only the quit command ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!velmo::installChineseLanguage())
        qWarning("velmo: Qt's Chinese translations were not found; standard buttons stay in English");

    // A copy already running gets "show" and brings itself forward; this one ends.
    velmo::SingleInstance instance;
    if (!instance.claim()) {
        // When the running copy cannot be reached and the lock cannot be taken, say why instead of
        // ending without a word.
        velmo::WidgetMessageBoxes boxes;
        QObject::connect(&instance, &velmo::SingleInstance::finished, &app, [&instance, &boxes] {
            if (instance.outcome() != velmo::SingleInstance::Outcome::LockUnusable) {
                QCoreApplication::quit();
                return;
            }
            boxes.warn(nullptr, instance.lockProblemMessage(), {}, [] { QCoreApplication::exit(1); });
        });
        instance.sendToRunningCopy(QStringLiteral("show"));
        return app.exec();
    }

    velmo::StartupOptions options;
    options.version = QStringLiteral(VELMO_VERSION);
    options.serviceAddress = velmo::ServiceAddress::load();
    velmo::Startup startup(std::move(options));
    QApplication::setWindowIcon(QIcon(startup.assets().filePath(QStringLiteral("images/velmo.ico"))));
    QObject::connect(&instance, &velmo::SingleInstance::commandReceived, &startup,
                     &velmo::Startup::handleCommand);
    QObject::connect(
        &startup, &velmo::Startup::programMustEnd, &app,
        [](int exitCode) { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
    velmo::MainWindowHandOff handOff(startup);
    // A logout or a kill asks as the quit command does: the main window's quit writes down what the
    // service answered and waits for an upload under way.
    velmo::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &velmo::QuitSignals::quitRequested, &app, [&handOff] {
        if (velmo::Form1* mainWindow = handOff.mainWindow())
            mainWindow->MDIexit_Click();
        else
            QCoreApplication::quit();
    });

    startup.start();
    return app.exec();
}
