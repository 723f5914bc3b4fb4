#include "TempDataFolder.h"
#include "TestMain.h"

#include "platform/DiskInfo.h"

#include <QDir>
#include <QFile>

using namespace velmo;

namespace {

// An IDENTIFY block as the drive delivers it: each string blank-padded to its field and stored
// with the bytes of every pair exchanged.
QByteArray identifyBlock(const QByteArray& model, const QByteArray& serial, const QByteArray& firmware)
{
    QByteArray block(512, '\x5A');
    const auto put = [&block](int word, int words, QByteArray text) {
        text = text.leftJustified(words * 2, ' ', true);
        for (int i = 0; i < text.size(); i += 2) {
            block[word * 2 + i] = text.at(i + 1);
            block[word * 2 + i + 1] = text.at(i);
        }
    };
    put(10, 10, serial);
    put(23, 4, firmware);
    put(27, 20, model);
    return block;
}

// Fake block folder, udev database and device folder: path relative to the root, then content
// ("hex:" content is binary).
const char* const kTree[][2] = {
    {"block/loop0/device/model", "LOOP"},
    {"block/sdc/removable", "1\n"},
    {"block/sdc/device/model", "STICK"},
    {"block/nvme0n1/removable", "0\n"},
    {"block/nvme0n1/device/model", "NVME MODEL  \n"},
    {"block/nvme0n1/device/serial", "  NV-1\n"},
    {"block/sda/dev", "8:0\n"},
    {"block/sda/device/model", "SYSFS MODEL\n"},
    {"udev/b8:0", "S:disk/by-id/x\nE:ID_MODEL=UDEV_A\nE:ID_SERIAL_SHORT=UDEV-A\n"},
    {"block/sdb/dev", "8:16\n"},
    {"block/sdb/device/vpd_pg80", "hex:00800005 56504453 4e5858"},
    {"udev/b8:16", "E:ID_MODEL=UDEV_B\nE:ID_SERIAL_SHORT=UDEV-B\n"},
    {"dev/sda", "not a block device"},
    {"block/sr0/device/model", "DVD"},
    {"block/sdd/hidden", "1\n"},
    {"block/sdd/device/model", "HIDDEN"},
    {"block/vda/device/model", "MODEL ONLY"},
    {"block/vdb/device/model", "FIFTH"},
};

} // namespace

class TestDiskInfo : public QObject
{
    Q_OBJECT

private slots:
    void ataStrings_data()
    {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("swapped");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("cut at zero") << QByteArray("BA\0\0DC", 6) << 6 << true << QByteArray("AB");
        QTest::newRow("blank before zero") << QByteArray("A \0B", 4) << 4 << false << QByteArray("A");
        // The byte after an odd field belongs to the next field and is left alone.
        QTest::newRow("odd count") << QByteArray("BADCEX") << 5 << true << QByteArray("ABCDE");
    }

    void ataStrings()
    {
        QFETCH(QByteArray, buffer);
        QFETCH(int, length);
        QFETCH(bool, swapped);
        QFETCH(QByteArray, expected);
        const auto order = swapped ? AtaByteOrder::AsDelivered : AtaByteOrder::ReadingOrder;
        QCOMPARE(ataString(QByteArrayView(buffer).first(length), order), expected);
    }

    void identifyBlocks()
    {
        const QByteArray block = identifyBlock("WDC WD10EZEX-08WN4A0", "WD-WCC6Y0AB12CD", "01.01A01");
        const DiskIdentity identity = decodeIdentify(block, AtaByteOrder::AsDelivered);
        QCOMPARE(identity.model, QStringLiteral("WDC WD10EZEX-08WN4A0"));
        QCOMPARE(identity.serial, QStringLiteral("WD-WCC6Y0AB12CD"));
        QCOMPARE(identity.firmware, QStringLiteral("01.01A01"));
        QCOMPARE(decodeIdentify(block.first(93), AtaByteOrder::AsDelivered).model, QString());
    }

    void fakeTree()
    {
        test::TempDataFolder root;
        for (const auto& entry : kTree) {
            const QString path = root.filePath(QLatin1String(entry[0]));
            QByteArray content(entry[1]);
            if (content.startsWith("hex:"))
                content = QByteArray::fromHex(content.mid(4).replace(' ', ""));
            QFile file(path);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content), content.size());
        }
        const DiskInfoPaths paths{root.filePath(QStringLiteral("block")),
                                  root.filePath(QStringLiteral("udev")),
                                  root.filePath(QStringLiteral("dev"))};
        QCOMPARE(fixedDisks(paths), (QStringList{"nvme0n1", "sda", "sdb", "vda", "vdb"}));
        QCOMPARE(GetDiskInfo(0, 1, paths), QStringLiteral("NVME MODEL"));
        QCOMPARE(GetDiskInfo(0, 2, paths), QStringLiteral("NV-1"));
        QCOMPARE(GetDiskInfo(1, 3, paths), QStringLiteral("SYSFS MODEL,UDEV-A")); // sysfs before udev
        QCOMPARE(GetDiskInfo(2, 0, paths), QStringLiteral("UDEV_B,VPDSN"));       // the page's own length
        QCOMPARE(GetDiskInfo(3, 3, paths), QStringLiteral("MODEL ONLY,"));
        QCOMPARE(GetDiskInfo(3, 2, paths), QString());
        // Drives 0 to 3 are asked for, never a fifth.
        QCOMPARE(GetDiskInfo(4, 1, paths), QString());
    }
};

VELMO_TEST_MAIN(TestDiskInfo)
#include "TestDiskInfo.moc"
