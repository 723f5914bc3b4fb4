#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    QApplication::setApplicationVersion(QStringLiteral(VELMO_VERSION));

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Velmo"));
    frame.resize(800, 600);
    frame.show();
    return app.exec();
}
