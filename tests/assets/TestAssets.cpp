#include "TempDataFolder.h"
#include "TestMain.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QtEndian>

using namespace velmo;

namespace {

QByteArray readAsset(const QString& relativePath)
{
    QFile file(test::buildAssetFolder().filePath(relativePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 le32(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}
quint32 be32(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
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
    if (!data.startsWith("MThd") || data.size() < 14 || be32(data, 4) != 6)
        return -1;
    int notes = 0;
    qsizetype at = 14;
    while (at < data.size()) {
        if (at + 8 > data.size() || data.mid(at, 4) != "MTrk")
            return -1;
        const qsizetype end = at + 8 + be32(data, at + 4);
        if (end > data.size() || data.mid(end - 3, 3) != QByteArray("\xFF\x2F\x00", 3))
            return -1;
        for (qsizetype i = at + 8; i + 2 < end; ++i)
            notes += (quint8(data[i]) & 0xF0) == 0x90 && quint8(data[i + 2]) > 0;
        at = end;
    }
    return notes;
}

// Length of the MPEG-1/2 layer III frame whose header starts at `at`, or 0 when there is none.
int mp3FrameLength(const QByteArray& data, qsizetype at)
{
    if (at + 4 > data.size())
        return 0;
    const quint32 h = qFromBigEndian<quint32>(data.constData() + at);
    const int version = (h >> 19) & 3, bitrateIndex = (h >> 12) & 15, rateIndex = (h >> 10) & 3;
    if ((h & 0xFFE00000u) != 0xFFE00000u || version == 1 || ((h >> 17) & 3) != 1 || bitrateIndex == 0 ||
        bitrateIndex == 15 || rateIndex == 3)
        return 0;
    static const int v1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int v2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const int rate = std::array{44100, 48000, 32000}[size_t(rateIndex)] >> (version == 3   ? 0
                                                                            : version == 2 ? 1
                                                                                           : 2);
    return (version == 3 ? 144 : 72) * (version == 3 ? v1 : v2)[bitrateIndex] * 1000 / rate + ((h >> 9) & 1);
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
        QTest::addColumn<int>("frames"); // at least this many frames
        for (int i = 1; i <= 9; ++i)
            QTest::newRow(qPrintable(QStringLiteral("tree %1").arg(i)))
                << QStringLiteral("%1.ico").arg(i) << QSize(16, 16) << 1;
        for (int i = 1; i <= 6; ++i)
            QTest::newRow(qPrintable(QStringLiteral("assistant %1").arg(i)))
                << QStringLiteral("%1.gif").arg(i) << QSize(96, 120) << 4;
        for (const char* name : {"red.gif", "blue.gif", "sound.gif"})
            QTest::newRow(name) << name << QSize(16, 16) << 4;
        for (const char* name :
             {"new", "edit", "done", "delete", "search", "feedback", "settings", "ring-off", "snooze"}) {
            QTest::newRow(name) << QStringLiteral("button-%1.png").arg(QLatin1String(name)) << QSize(24, 24)
                                << 1;
            QTest::newRow(qPrintable(QLatin1String(name) + QStringLiteral("@2x")))
                << QStringLiteral("button-%1@2x.png").arg(QLatin1String(name)) << QSize(48, 48) << 1;
        }
        QTest::newRow("notice") << "notice.png" << QSize(16, 16) << 1;
        QTest::newRow("tray") << "tray.ico" << QSize(22, 22) << 1;
        QTest::newRow("tray flash") << "tray-flash.ico" << QSize(22, 22) << 1;
        QTest::newRow("window icon") << "velmo.ico" << QSize(32, 32) << 1;
        QTest::newRow("app icon") << "velmo.png" << QSize(256, 256) << 1;
    }

    // Every picture opens, holds the size its user asks for, and is a real picture on a transparent
    // background (not blank, not a filled square).
    void pictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QImageReader reader(test::buildAssetFolder().filePath(QStringLiteral("images/") + name));
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
        QFETCH(int, frames);
        QVERIFY2(read >= frames, qPrintable(QStringLiteral("%1: %2 frames").arg(name).arg(read)));
        QVERIFY2(sizeFound, qPrintable(name + QStringLiteral(" lacks the expected size")));
    }

    // The action sounds are short, audible 16-bit PCM WAV files whose header agrees with their data.
    void shortSounds()
    {
        for (const char* name : {"ok", "error", "del", "down"}) {
            const QByteArray data = readAsset(QStringLiteral("sound/%1.wav").arg(QLatin1String(name)));
            QVERIFY2(data.size() > 44 && data.startsWith("RIFF") && data.mid(8, 8) == "WAVEfmt ", name);
            QCOMPARE(qsizetype(le32(data, 4)) + 8, data.size());
            QCOMPARE(qFromLittleEndian<quint16>(data.constData() + 20), quint16(1)); // PCM
            const int channels = qFromLittleEndian<quint16>(data.constData() + 22);
            QCOMPARE(qFromLittleEndian<quint16>(data.constData() + 34), quint16(16));
            const qsizetype dataChunk = data.indexOf("data", 36);
            QVERIFY(dataChunk > 0 && dataChunk + 8 + le32(data, dataChunk + 4) <= data.size());
            const double seconds = double(le32(data, dataChunk + 4)) / (channels * 2) / le32(data, 24);
            QVERIFY2(seconds > 0.05 && seconds < 2.0, qPrintable(QString::number(seconds)));
            int peak = 0;
            for (qsizetype i = dataChunk + 8; i + 1 < data.size(); i += 2)
                peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(data.constData() + i))));
            QVERIFY2(peak > 3000 && peak < 32767, qPrintable(QStringLiteral("peak %1").arg(peak)));
        }
    }

    // MIDI tunes are well formed with a tune's worth of notes; MP3 tunes start with a tag or a frame
    // and hold a run of valid frames. No two tunes are the same.
    void tunes()
    {
        QSet<QByteArray> digests;
        for (const QString& name : TuneNames) {
            const QByteArray data = readAsset(QStringLiteral("sound/") + name);
            QVERIFY2(!data.isEmpty(), qPrintable(name + QStringLiteral(" missing")));
            digests.insert(QCryptographicHash::hash(data, QCryptographicHash::Sha256));
            if (name.endsWith(QLatin1String(".mid"))) {
                QVERIFY2(midiNotes(data) >= 16, qPrintable(name));
                continue;
            }
            qsizetype at = data.startsWith("ID3") ? 10 + ((quint8(data[6]) << 21) | (quint8(data[7]) << 14) |
                                                          (quint8(data[8]) << 7) | quint8(data[9]))
                                                  : 0;
            int frames = 0;
            for (int length = mp3FrameLength(data, at); length > 0 && frames < 50;
                 length = mp3FrameLength(data, at)) {
                at += length;
                ++frames;
            }
            QVERIFY2(frames >= 20 && (frames == 50 || at == data.size()), qPrintable(name));
        }
        QCOMPARE(digests.size(), TuneNames.size());
    }
};

VELMO_TEST_MAIN(TestAssets)
#include "TestAssets.moc"
