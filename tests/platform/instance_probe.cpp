// A stand-in second process for the single-instance tests.
//
//   velmo_instance_probe hold          claims the instance, prints "claimed" (or "running"), then
//                                      prints every command it receives until it is killed
//   velmo_instance_probe send COMMAND  like a later start: claims, or hands COMMAND to the running
//                                      copy; exits 0 delivered, 1 not delivered, 2 it was the first
//   velmo_instance_probe lock          holds the lock file only, answering nothing

#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    QTextStream out(stdout);
    velmo::SingleInstance instance;

    if (mode == QLatin1String("hold")) {
        out << (instance.claim() ? "claimed" : "running") << Qt::endl;
        QObject::connect(&instance, &velmo::SingleInstance::commandReceived,
                         [&out](const QString& command) { out << "command:" << command << Qt::endl; });
        return app.exec();
    }
    if (mode == QLatin1String("send")) {
        if (instance.claim())
            return 2;
        QObject::connect(&instance, &velmo::SingleInstance::finished,
                         [](bool delivered) { QCoreApplication::exit(delivered ? 0 : 1); });
        instance.sendToRunningCopy(args.value(2), 1500);
        return app.exec();
    }
    if (mode == QLatin1String("lock")) {
        QLockFile lock(instance.lockFilePath());
        lock.setStaleLockTime(0);
        out << (lock.tryLock(0) ? "locked" : "busy") << Qt::endl;
        return app.exec();
    }
    return 3;
}
