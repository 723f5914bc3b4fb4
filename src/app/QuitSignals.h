#pragma once

// The signals that ask a program to end (SIGTERM, SIGINT, and SIGHUP when the desktop session
// ends) turned into a Qt signal on the window thread, so that they go through the program's normal
// quit: what the service answered is written down, and an upload under way is waited for. The
// signal handler only writes one byte into a socket pair; everything else happens in the event loop.
//
//   velmo::QuitSignals quitSignals;
//   connect(&quitSignals, &velmo::QuitSignals::quitRequested, ..., [] { mainWindow->MDIexit_Click(); });

#include <QObject>

class QSocketNotifier;

namespace velmo {

class QuitSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; one object at a time. The previous handlers come back when it goes.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // False when the socket pair or a handler could not be set up (the signals then end the
    // program as before).
    bool isInstalled() const { return m_installed; }

signals:
    void quitRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};

} // namespace velmo
