// velmo-service: the local stand-in of the web service, for trying Velmo out by hand.
// See CommandLine.h for the options.

#include "velmo-service/CommandLine.h"
#include "velmo-service/MemoStore.h"
#include "velmo-service/ServiceStandIn.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmo-service"));

    velmo::standin::ServiceStandIn service;
    velmo::standin::ListenOptions listen;
    QString error;
    if (!velmo::standin::applyCommandLine(service, app.arguments(), &listen, &error)) {
        QTextStream(stderr) << "velmo-service: " << error << Qt::endl;
        return 2;
    }
    if (listen.helpRequested) {
        QTextStream(stdout) << listen.helpText;
        return 0;
    }
    // The memos outlive the process: a restart forgets none and never gives an old server id again.
    QString storePath = listen.storePath;
    if (storePath.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(folder);
        storePath = QDir(folder).filePath(QStringLiteral("memos.db"));
    }
    if (!velmo::standin::MemoStore::of(service)->open(storePath, &error)) {
        QTextStream(stderr) << "velmo-service: cannot keep memos in " << storePath << ": " << error
                            << Qt::endl;
        return 1;
    }
    const quint16 port = service.start(listen.port, listen.address);
    if (port == 0) {
        QTextStream(stderr) << "velmo-service: cannot listen on " << listen.address.toString() << ':'
                            << listen.port << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "velmo-service listening on http://" << listen.address.toString() << ':' << port
                        << " with " << service.accounts().userIds().size() << " account(s), memos in "
                        << storePath << Qt::endl;
    return app.exec();
}
