#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/DataFolder.h"

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
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

quint32 le32(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

quint16 le16(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 be32(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

// The built-in tunes, under the names the editors list and the player opens.
const QStringList& tuneNames()
{
    static const QStringList names{QStringLiteral("天空之城.mid"),   QStringLiteral("致爱丽丝.mid"),
                                   QStringLiteral("赛马.mid"),       QStringLiteral("sound of silence.mid"),
                                   QStringLiteral("婚礼进行曲.mid"), QStringLiteral("魂斗罗.mid"),
                                   QStringLiteral("骑士精神.mid"),   QStringLiteral("生日快乐.mid"),
                                   QStringLiteral("遇见.mid"),       QStringLiteral("动感超人.mp3"),
                                   QStringLiteral("CHAMPION.mp3"),   QStringLiteral("传奇.mp3"),
                                   QStringLiteral("交警铃声.mp3"),   QStringLiteral("可爱短信音.mp3"),
                                   QStringLiteral("铃声007.mp3"),    QStringLiteral("诺基亚.mp3"),
                                   QStringLiteral("死了都要爱.mp3")};
    return names;
}

// Walks a standard MIDI file. Returns an empty string when it is well formed, else what is wrong;
// fills the note count, whether every sounding channel chose a piano, and the length in seconds.
QString checkMidi(const QByteArray& data, int* notes, bool* piano, double* seconds)
{
    if (data.size() < 14 || !data.startsWith("MThd") || be32(data, 4) != 6)
        return QStringLiteral("no MThd header");
    const int tracks = qFromBigEndian<quint16>(data.constData() + 10);
    const int division = qFromBigEndian<quint16>(data.constData() + 12);
    if (tracks < 1 || division <= 0 || division >= 0x8000)
        return QStringLiteral("bad header values");
    qsizetype at = 14;
    quint32 tempo = 500000;
    quint64 lastTick = 0;
    QSet<int> sounding, pianoChannels;
    *notes = 0;
    for (int t = 0; t < tracks; ++t) {
        if (at + 8 > data.size() || data.mid(at, 4) != "MTrk")
            return QStringLiteral("track %1 missing").arg(t);
        const qsizetype end = at + 8 + be32(data, at + 4);
        if (end > data.size())
            return QStringLiteral("track %1 runs past the file").arg(t);
        at += 8;
        quint64 tick = 0;
        int status = 0;
        bool ended = false;
        while (at < end && !ended) {
            quint32 delta = 0;
            for (int i = 0;; ++i) {
                if (at >= end || i == 4)
                    return QStringLiteral("bad delta time");
                const auto byte = quint8(data[at++]);
                delta = (delta << 7) | (byte & 0x7F);
                if (!(byte & 0x80))
                    break;
            }
            tick += delta;
            if (at >= end)
                return QStringLiteral("event missing");
            if (quint8(data[at]) & 0x80)
                status = quint8(data[at++]);
            if (status == 0xFF) {
                if (at + 2 > end)
                    return QStringLiteral("short meta event");
                const int type = quint8(data[at]);
                const int length = quint8(data[at + 1]);
                if (length & 0x80 || at + 2 + length > end)
                    return QStringLiteral("bad meta length");
                if (type == 0x51 && length == 3)
                    tempo = (quint8(data[at + 2]) << 16) | (quint8(data[at + 3]) << 8) | quint8(data[at + 4]);
                if (type == 0x2F)
                    ended = true;
                at += 2 + length;
                status = 0;
            } else if (status >= 0x80 && status < 0xF0) {
                const int kind = status & 0xF0;
                const int size = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
                if (at + size > end)
                    return QStringLiteral("short channel event");
                if (kind == 0x90 && quint8(data[at + 1]) > 0) {
                    ++*notes;
                    sounding.insert(status & 0x0F);
                }
                if (kind == 0xC0 && quint8(data[at]) == 0)
                    pianoChannels.insert(status & 0x0F);
                at += size;
            } else {
                return QStringLiteral("unexpected status byte");
            }
        }
        if (!ended || at != end)
            return QStringLiteral("track %1 does not end with its end-of-track event").arg(t);
        lastTick = qMax(lastTick, tick);
    }
    *piano = !sounding.isEmpty() && (sounding - pianoChannels).isEmpty();
    *seconds = double(lastTick) / division * tempo / 1e6;
    return {};
}

// Length in bytes of the MPEG audio frame whose header starts at `at`, or 0 when there is none.
int mp3FrameLength(const QByteArray& data, qsizetype at)
{
    if (at + 4 > data.size())
        return 0;
    const quint32 h = be32(data, at);
    if ((h & 0xFFE00000u) != 0xFFE00000u)
        return 0;
    const int version = (h >> 19) & 3; // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
    const int layer = (h >> 17) & 3;   // 1: layer III
    const int bitrateIndex = (h >> 12) & 15;
    const int rateIndex = (h >> 10) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    static const int bitratesV1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int bitratesV2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int ratesV1[] = {44100, 48000, 32000};
    const int rate = ratesV1[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int bitrate = (version == 3 ? bitratesV1 : bitratesV2)[bitrateIndex] * 1000;
    const int padding = (h >> 9) & 1;
    return (version == 3 ? 144 : 72) * bitrate / rate + padding;
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
                << QStringLiteral("images/%1.ico").arg(i) << QSize(16, 16) << 1;
        for (int i = 1; i <= 6; ++i)
            QTest::newRow(qPrintable(QStringLiteral("assistant %1").arg(i)))
                << QStringLiteral("images/%1.gif").arg(i) << QSize(96, 120) << 4;
        for (const char* name : {"red", "blue", "sound"})
            QTest::newRow(name) << QStringLiteral("images/%1.gif").arg(QLatin1String(name)) << QSize(16, 16)
                                << 4;
        for (const char* name :
             {"new", "edit", "done", "delete", "search", "feedback", "settings", "ring-off", "snooze"}) {
            QTest::newRow(qPrintable(QStringLiteral("button %1").arg(QLatin1String(name))))
                << QStringLiteral("images/button-%1.png").arg(QLatin1String(name)) << QSize(24, 24) << 1;
            QTest::newRow(qPrintable(QStringLiteral("button %1 @2x").arg(QLatin1String(name))))
                << QStringLiteral("images/button-%1@2x.png").arg(QLatin1String(name)) << QSize(48, 48) << 1;
        }
        QTest::newRow("notice") << QStringLiteral("images/notice.png") << QSize(16, 16) << 1;
        QTest::newRow("tray") << QStringLiteral("images/tray.ico") << QSize(22, 22) << 1;
        QTest::newRow("tray flash") << QStringLiteral("images/tray-flash.ico") << QSize(22, 22) << 1;
        QTest::newRow("window icon") << QStringLiteral("images/velmo.ico") << QSize(32, 32) << 1;
        QTest::newRow("app icon") << QStringLiteral("images/velmo.png") << QSize(256, 256) << 1;
    }

    // Every picture opens in its format, holds the size its user asks for, and is a real picture on
    // a transparent background (not blank, not a filled square).
    void pictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(int, frames);
        QImageReader reader(test::buildAssetFolder().filePath(name));
        QVERIFY2(reader.canRead(), qPrintable(name + QStringLiteral(": ") + reader.errorString()));
        int read = 0;
        bool sizeFound = false;
        for (;;) {
            const QImage image = reader.read();
            if (image.isNull())
                break;
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
        QVERIFY2(read >= frames, qPrintable(QStringLiteral("%1: %2 frames").arg(name).arg(read)));
        QVERIFY2(sizeFound, qPrintable(name + QStringLiteral(" lacks the expected size")));
    }

    void shortSounds_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"ok", "error", "del", "down"})
            QTest::newRow(name) << QStringLiteral("sound/%1.wav").arg(QLatin1String(name));
    }

    // The action sounds are 16-bit PCM WAV files whose header agrees with their data, short, audible
    // and not clipped.
    void shortSounds()
    {
        QFETCH(QString, name);
        const QByteArray data = readAsset(name);
        QVERIFY2(data.size() > 44, qPrintable(name + QStringLiteral(" missing")));
        QVERIFY(data.startsWith("RIFF"));
        QCOMPARE(qsizetype(le32(data, 4)) + 8, data.size());
        QCOMPARE(data.mid(8, 4), QByteArray("WAVE"));
        qsizetype at = 12;
        int channels = 0, bits = 0;
        quint32 rate = 0;
        QByteArray samples;
        while (at + 8 <= data.size()) {
            const QByteArray id = data.mid(at, 4);
            const qsizetype size = le32(data, at + 4);
            QVERIFY(at + 8 + size <= data.size());
            if (id == "fmt ") {
                QVERIFY(size >= 16);
                QCOMPARE(le16(data, at + 8), quint16(1)); // PCM
                channels = le16(data, at + 10);
                rate = le32(data, at + 12);
                bits = le16(data, at + 22);
                QCOMPARE(le32(data, at + 16), rate * channels * bits / 8);
                QCOMPARE(int(le16(data, at + 20)), channels * bits / 8);
            } else if (id == "data") {
                samples = data.mid(at + 8, size);
            }
            at += 8 + size + (size & 1);
        }
        QVERIFY(channels == 1 || channels == 2);
        QCOMPARE(bits, 16);
        QVERIFY(rate >= 8000 && rate <= 48000);
        QVERIFY(!samples.isEmpty());
        QCOMPARE(samples.size() % (channels * 2), 0);
        const double seconds = double(samples.size()) / (channels * 2) / rate;
        QVERIFY2(seconds > 0.05 && seconds < 2.0, qPrintable(QString::number(seconds)));
        int peak = 0;
        for (qsizetype i = 0; i + 1 < samples.size(); i += 2)
            peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(samples.constData() + i))));
        QVERIFY2(peak > 3000 && peak < 32767, qPrintable(QStringLiteral("peak %1").arg(peak)));
    }

    void tunes_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString& name : tuneNames())
            QTest::newRow(qPrintable(name)) << name;
    }

    // MIDI tunes are well-formed piano pieces of a ringtone's length; MP3 tunes start with a tag or a
    // frame and hold a run of valid MPEG audio frames.
    void tunes()
    {
        QFETCH(QString, name);
        const QByteArray data = readAsset(QStringLiteral("sound/") + name);
        QVERIFY2(!data.isEmpty(), qPrintable(name + QStringLiteral(" missing")));
        if (name.endsWith(QLatin1String(".mid"))) {
            int notes = 0;
            bool piano = false;
            double seconds = 0;
            const QString fault = checkMidi(data, &notes, &piano, &seconds);
            QVERIFY2(fault.isEmpty(), qPrintable(name + QStringLiteral(": ") + fault));
            QVERIFY(notes >= 16);
            QVERIFY(piano);
            QVERIFY2(seconds >= 3 && seconds <= 30, qPrintable(QString::number(seconds)));
            return;
        }
        qsizetype at = 0;
        if (data.startsWith("ID3")) {
            QVERIFY(data.size() > 10);
            const quint32 size =
                (quint8(data[6]) << 21) | (quint8(data[7]) << 14) | (quint8(data[8]) << 7) | quint8(data[9]);
            at = 10 + size;
        }
        int frames = 0;
        while (frames < 50) {
            const int length = mp3FrameLength(data, at);
            if (length == 0)
                break;
            at += length;
            ++frames;
        }
        QVERIFY2(frames == 50 || at == data.size(),
                 qPrintable(QStringLiteral("%1 valid frames").arg(frames)));
        QVERIFY(frames >= 20);
    }

    // Each tune is a piece of its own, so no two built-in tunes sound the same.
    void tunesAreAllDifferent()
    {
        QSet<QByteArray> digests;
        for (const QString& name : tuneNames())
            digests.insert(QCryptographicHash::hash(readAsset(QStringLiteral("sound/") + name),
                                                    QCryptographicHash::Sha256));
        QCOMPARE(digests.size(), tuneNames().size());
    }
};

VELMO_TEST_MAIN(TestAssets)
#include "TestAssets.moc"
