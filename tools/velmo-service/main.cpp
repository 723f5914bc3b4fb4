// velmo-service: the local stand-in of the web service, for trying Velmo out by hand.
// See CommandLine.h for the options.

#include "velmo-service/CommandLine.h"
#include "velmo-service/ServiceStandIn.h"

#include <QCoreApplication>
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
    const quint16 port = service.start(listen.port, listen.address);
    if (port == 0) {
        QTextStream(stderr) << "velmo-service: cannot listen on " << listen.address.toString() << ':'
                            << listen.port << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "velmo-service listening on http://" << listen.address.toString() << ':' << port
                        << " with " << service.accounts().userIds().size() << " account(s)" << Qt::endl;
    return app.exec();
}
