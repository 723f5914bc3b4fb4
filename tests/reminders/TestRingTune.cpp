#include "SilentMedia.h"
#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/TunePlayer.h"
#include "reminders/RingTune.h"

#include <QFile>

using namespace velmo;
using namespace velmo::test;

// Which file a due memo rings with, and the ring tune on the tune player.
class TestRingTune : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { test::useSilentMediaSink(); }
    void tunePath_data()
    {
        QTest::addColumn<bool>("customExists");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<bool>("assets");      // the build's tunes, or a folder without any
        QTest::addColumn<QString>("expected"); // "custom", or a file of sound/
        QTest::newRow("custom tune first") << true << "2.mid" << true << "custom";
        QTest::newRow("custom tune gone") << false << "2.mid" << true << "致爱丽丝.mid";
        QTest::newRow("unknown code") << false << "99.mid" << true << "天空之城.mid";
        QTest::newRow("tune file gone") << false << "17.mp3" << false << "天空之城.mid";
    }

    void tunePath()
    {
        QFETCH(bool, customExists);
        QFETCH(QString, sound);
        QFETCH(bool, assets);
        QFETCH(QString, expected);
        TempDataFolder folder;
        const QString custom = folder.filePath(QStringLiteral("我的.mp3"));
        QFile file(custom);
        QVERIFY(!customExists || file.open(QIODevice::WriteOnly));
        const AssetFolder tunes = assets ? buildAssetFolder() : AssetFolder(folder.path());
        QCOMPARE(ringTunePath(tunes, sound, custom),
                 expected == QLatin1String("custom") ? custom
                                                     : tunes.filePath(QStringLiteral("sound/") + expected));
    }
    // A rescan that asks for the tune already playing leaves it playing on; after a stop the same
    // tune starts again.
    void sameTuneGoesOn()
    {
        clsMusic music(nullptr, clsMusic::Output::AnySink);
        MusicRingTune tune(music);
        const QString path = buildAssetFolder().filePath(QStringLiteral("sound/ok.wav"));
        tune.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(music.loadState(), clsMusic::Load::Ready, 15000);
        tune.play(path);
        QCOMPARE(music.loadState(), clsMusic::Load::Ready);
        tune.stop();
        tune.play(path);
        QCOMPARE(music.loadState(), clsMusic::Load::Loading);
    }
};

VELMO_TEST_MAIN(TestRingTune)
#include "TestRingTune.moc"
