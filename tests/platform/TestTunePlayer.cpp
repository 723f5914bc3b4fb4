#include "SilentMedia.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/TuneCodes.h"
#include "platform/TunePlayer.h"

#include <QFile>
#include <QSignalSpy>

using namespace velmo;

namespace {

constexpr int kLoadTimeoutMs = 15000;

} // namespace

class TestTunePlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { test::useSilentMediaSink(); }

    void builtInTunesDecode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("fileName"); // empty: no such tune
        QTest::newRow("midi") << QStringLiteral("1.mid") << QStringLiteral("天空之城.mid");
        QTest::newRow("mp3") << QStringLiteral("17.mp3") << QStringLiteral("死了都要爱.mp3");
        QTest::newRow("past the list") << QStringLiteral("18.mp3") << QString();
        QTest::newRow("letter case") << QStringLiteral("1.MID") << QString();
    }

    // The code names its file, the file exists beside the program, and the player's own media
    // backend opens it and finds a length.
    void builtInTunesDecode()
    {
        QFETCH(QString, code);
        QFETCH(QString, fileName);
        QCOMPARE(tuneFileName(code), fileName);
        if (fileName.isEmpty())
            return;
        clsMusic player(nullptr, clsMusic::Output::AnySink);
        player.setFileName(builtInTunePath(test::buildAssetFolder(), fileName));
        QTRY_VERIFY_WITH_TIMEOUT(player.loadState() == clsMusic::Load::Ready && player.Duration() > 0,
                                 kLoadTimeoutMs);
    }

    void unplayableFileLeavesSilentPlayer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QStringLiteral("none.mp3") << QByteArray();
        QTest::newRow("text as mp3") << QStringLiteral("text.mp3") << QByteArray("not a tune at all\n");
        // a track that claims more bytes than the file holds
        static const char cut[] = "MThd\0\0\0\6\0\1\0\1\0\x60MTrk\0\0\xff\xff\x90\x3c";
        QTest::newRow("cut midi") << QStringLiteral("cut.mid") << QByteArray(cut, sizeof cut - 1);
    }

    void unplayableFileLeavesSilentPlayer()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        test::TempDataFolder temp;
        QFile file(temp.filePath(name));
        if (!content.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();

        clsMusic player(nullptr, clsMusic::Output::AnySink);
        QSignalSpy finished(&player, &clsMusic::finished);
        player.setFileName(file.fileName());
        QTRY_COMPARE_WITH_TIMEOUT(player.loadState(), clsMusic::Load::Failed, kLoadTimeoutMs);
        player.Play();
        QCOMPARE(player.State(), clsMusic::Stopped);
        QCOMPARE(finished.count(), 0);
    }

    // The reminder loop's way round: at the end the position equals the length, and rewinding
    // and Play start it again.
    void finishedAtTheEndAndPlaysAgain()
    {
        clsMusic player(nullptr, clsMusic::Output::AnySink);
        QSignalSpy finished(&player, &clsMusic::finished);
        player.setFileName(test::buildAssetFolder().filePath(QStringLiteral("sound/ok.wav")));
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kLoadTimeoutMs);
        QVERIFY(player.isAtEnd());
        QCOMPARE(player.Position(), player.Duration());

        player.setPosition(0);
        player.Play();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, kLoadTimeoutMs);
    }
};

VELMO_TEST_MAIN(TestTunePlayer)
#include "TestTunePlayer.moc"
