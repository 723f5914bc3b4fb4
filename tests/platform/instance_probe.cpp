// A first copy in a process of its own for the single-instance tests: claims the instance, prints
// "claimed" (or "running"), then prints every command it receives until it is killed.

#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    velmo::SingleInstance instance;
    out << (instance.claim() ? "claimed" : "running") << Qt::endl;
    QObject::connect(&instance, &velmo::SingleInstance::commandReceived,
                     [&out](const QString& command) { out << "command:" << command << Qt::endl; });
    return app.exec();
}
