#pragma once

#include "FixedClock.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace velmo::test {

// Points HOME and the XDG folders at a temporary folder so no test touches the real user's files,
// and installs the fixed clock. Call before the application object exists.
inline void prepareTestEnvironment(const QTemporaryDir& home)
{
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QDir(home.path())
        .mkdir(QStringLiteral("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    fixedClock();
}

} // namespace velmo::test

// Like QTEST_MAIN, with a private home folder and the fixed clock.
#define VELMO_TEST_MAIN(TestObject)                                                                          \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        QTemporaryDir velmoTestHome(QDir::tempPath() + QStringLiteral("/velmo-home-XXXXXX"));                \
        velmo::test::prepareTestEnvironment(velmoTestHome);                                                  \
        QApplication app(argc, argv);                                                                        \
        app.setApplicationName(QStringLiteral("velmo"));                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        TestObject tc;                                                                                       \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
