#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/TuneCodes.h"

#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QtEndian>

namespace {

QByteArray readAsset(const QString& relativePath)
{
    QFile file(velmo::test::buildAssetFolder().filePath(QStringLiteral("sound/") + relativePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 le32(const QByteArray& data, qsizetype at, bool bigEndian = false)
{
    return bigEndian ? qFromBigEndian<quint32>(data.constData() + at)
                     : qFromLittleEndian<quint32>(data.constData() + at);
}

// The built-in tunes, under the names the editors list and the player opens.
const QStringList TuneNames = {
    "天空之城.mid", "致爱丽丝.mid",   "赛马.mid",    "sound of silence.mid", "婚礼进行曲.mid", "魂斗罗.mid",
    "骑士精神.mid", "生日快乐.mid",   "遇见.mid",    "动感超人.mp3",         "CHAMPION.mp3",   "传奇.mp3",
    "交警铃声.mp3", "可爱短信音.mp3", "铃声007.mp3", "诺基亚.mp3",           "死了都要爱.mp3"};

// Notes of a standard MIDI file whose chunks fill it exactly and whose tracks end with their
// end-of-track event; -1 when it is not that.
int midiNotes(const QByteArray& data)
{
    if (!data.startsWith("MThd") || data.size() < 14 || le32(data, 4, true) != 6)
        return -1;
    int notes = 0;
    for (qsizetype at = 14, end = 0; at < data.size(); at = end) {
        end = at + 8 > data.size() || data.mid(at, 4) != "MTrk" ? -1 : at + 8 + le32(data, at + 4, true);
        if (end < 0 || end > data.size() || data.mid(end - 3, 3) != QByteArray("\xFF\x2F\x00", 3))
            return -1;
        for (qsizetype i = at + 8; i + 2 < end; ++i)
            notes += (quint8(data[i]) & 0xF0) == 0x90 && quint8(data[i + 2]) > 0;
    }
    return notes;
}

} // namespace

class TestAssets : public QObject
{
    Q_OBJECT

private slots:
    void pictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size"); // a size the file must hold
        const auto row = [](const QString& name, int width, int height) {
            QTest::newRow(qPrintable(name)) << name << QSize(width, height);
        };
        for (int i = 1; i <= 9; ++i)
            row(QStringLiteral("%1.ico").arg(i), 16, 16); // the tree
        for (int i = 1; i <= 6; ++i)
            row(QStringLiteral("%1.gif").arg(i), 96, 120); // the assistant
        for (const char* name : {"red.gif", "blue.gif", "sound.gif", "notice.png"})
            row(QLatin1String(name), 16, 16);
        for (const char* name :
             {"new", "edit", "done", "delete", "search", "feedback", "settings", "ring-off", "snooze"}) {
            row(QStringLiteral("button-%1.png").arg(QLatin1String(name)), 24, 24);
            row(QStringLiteral("button-%1@2x.png").arg(QLatin1String(name)), 48, 48);
        }
        for (const char* name : {"tray.ico", "tray-flash.ico"})
            row(QLatin1String(name), 22, 22);
        row(QStringLiteral("velmo.ico"), 32, 32);
        row(QStringLiteral("velmo.png"), 256, 256);
    }

    // Every picture opens, holds the size its user asks for, and is a real picture on a transparent
    // background (not blank, not a filled square).
    void pictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QImageReader reader(velmo::test::buildAssetFolder().filePath(QStringLiteral("images/") + name));
        QVERIFY2(reader.canRead(), qPrintable(name + QStringLiteral(": ") + reader.errorString()));
        int read = 0;
        bool sizeFound = false;
        for (QImage image = reader.read(); !image.isNull(); image = reader.read()) {
            ++read;
            sizeFound = sizeFound || image.size() == size;
            const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(qAlpha(argb.pixel(0, 0)), 0);
            int opaque = 0;
            for (int y = 0; y < argb.height(); ++y)
                for (int x = 0; x < argb.width(); ++x)
                    opaque += qAlpha(argb.pixel(x, y)) > 200;
            QVERIFY2(opaque * 8 > argb.width() * argb.height(),
                     qPrintable(name + QStringLiteral(" is nearly blank")));
            if (!reader.jumpToNextImage() && reader.imageCount() <= read)
                break;
        }
        // The animations have at least four frames.
        QVERIFY2(read >= (name.endsWith(QLatin1String(".gif")) ? 4 : 1),
                 qPrintable(QStringLiteral("%1: %2 frames").arg(name).arg(read)));
        QVERIFY2(sizeFound, qPrintable(name + QStringLiteral(" lacks the expected size")));
    }

    // The action sounds are short WAV files whose header agrees with their data.
    void shortSounds()
    {
        for (const char* name : {"ok", "error", "del", "down"}) {
            const QByteArray data = readAsset(QStringLiteral("%1.wav").arg(QLatin1String(name)));
            QVERIFY2(data.size() > 44 && data.startsWith("RIFF") && data.mid(8, 8) == "WAVEfmt ", name);
            const qsizetype dataChunk = data.indexOf("data", 36);
            QVERIFY(dataChunk > 0 && dataChunk + 8 + le32(data, dataChunk + 4) <= data.size());
            const double seconds = double(le32(data, dataChunk + 4)) / le32(data, 28); // bytes a second
            QVERIFY2(seconds > 0.05 && seconds < 2.0, qPrintable(QString::number(seconds)));
        }
    }

    // The tune codes name these files, every entry both ways. MIDI tunes are well formed with a tune's
    // worth of notes; MP3 tunes start with a tag or a frame header. No two tunes are the same.
    void tunes()
    {
        QCOMPARE(velmo::builtInTuneFileNames(), TuneNames);
        QSet<QByteArray> contents;
        for (int i = 0; i < TuneNames.size(); ++i) {
            const QString& name = TuneNames[i];
            const QString code = QStringLiteral("%1.%2").arg(i + 1).arg(i < 9 ? "mid" : "mp3");
            QCOMPARE(velmo::tuneFileName(code), name);
            QCOMPARE(velmo::tuneCode(name), code);
            const QByteArray data = readAsset(name);
            QVERIFY2(!data.isEmpty(), qPrintable(name + QStringLiteral(" missing")));
            contents.insert(data);
            if (name.endsWith(QLatin1String(".mid")))
                QVERIFY2(midiNotes(data) >= 16, qPrintable(name));
            else
                QVERIFY2(data.startsWith("ID3") ||
                             (quint8(data[0]) == 0xFF && (quint8(data[1]) & 0xE0) == 0xE0),
                         qPrintable(name));
        }
        QCOMPARE(contents.size(), TuneNames.size());
    }
};

VELMO_TEST_MAIN(TestAssets)
#include "TestAssets.moc"
