#include "DiskInfo.h"

#include "Gbk.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

#if defined(__linux__)
#include <fcntl.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmo {

namespace {

constexpr qsizetype kIdentifySize = 512;
constexpr qsizetype kSerialOffset = 20, kSerialLength = 20;
constexpr qsizetype kFirmwareOffset = 46, kFirmwareLength = 8;
constexpr qsizetype kModelOffset = 54, kModelLength = 40;
constexpr int kDriveCount = 4;
// Attribute files are a line or a page; the udev record a few dozen lines.
constexpr qint64 kAttributeLimit = 4096;
constexpr qint64 kUdevRecordLimit = 64 * 1024;

QByteArray cutAtZero(QByteArrayView bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return (zero < 0 ? bytes : bytes.first(zero)).toByteArray();
}

QByteArray trimBlanks(QByteArray bytes)
{
    qsizetype begin = 0, end = bytes.size();
    while (begin < end && bytes.at(begin) == ' ')
        ++begin;
    while (end > begin && bytes.at(end - 1) == ' ')
        --end;
    return bytes.mid(begin, end - begin);
}

QByteArray readSmallFile(const QString& path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(limit);
}

// A text attribute: first zero byte ends it, surrounding white space dropped.
QString readAttribute(const QString& path)
{
    return QString::fromUtf8(cutAtZero(readSmallFile(path, kAttributeLimit))).trimmed();
}

// The unit serial number page: 4 header bytes (page code 0x80, big-endian length), then the text.
QString serialFromVpdPage(const QByteArray& page)
{
    if (page.size() < 4 || static_cast<unsigned char>(page.at(1)) != 0x80)
        return QString();
    const qsizetype declared =
        (qsizetype(static_cast<unsigned char>(page.at(2))) << 8) | static_cast<unsigned char>(page.at(3));
    const qsizetype length = std::min(declared, page.size() - 4);
    return QString::fromUtf8(cutAtZero(QByteArrayView(page).sliced(4, length))).trimmed();
}

bool isExcludedName(const QString& name)
{
    static const QRegularExpression virtualDevice(
        QStringLiteral("^(?:(?:loop|zram|ram|dm-|md|sr|fd)[0-9]|md_)"));
    return virtualDevice.match(name).hasMatch();
}

void fillMissing(DiskIdentity& identity, const QString& model, const QString& serial)
{
    if (identity.model.isEmpty())
        identity.model = model;
    if (identity.serial.isEmpty())
        identity.serial = serial;
}

bool isComplete(const DiskIdentity& identity)
{
    return !identity.model.isEmpty() && !identity.serial.isEmpty();
}

void fillFromSysfs(DiskIdentity& identity, const QString& diskFolder)
{
    const QString device = diskFolder + QStringLiteral("/device/");
    QString serial = readAttribute(device + QStringLiteral("serial"));
    if (serial.isEmpty())
        serial = readAttribute(diskFolder + QStringLiteral("/serial"));
    if (serial.isEmpty())
        serial = serialFromVpdPage(readSmallFile(device + QStringLiteral("vpd_pg80"), kAttributeLimit));
    fillMissing(identity, readAttribute(device + QStringLiteral("model")), serial);
}

void fillFromUdev(DiskIdentity& identity, const QString& diskFolder, const QString& udevData)
{
    // "8:0" in the dev attribute names the record "b8:0".
    static const QRegularExpression majorMinor(QStringLiteral("^[0-9]{1,10}:[0-9]{1,10}$"));
    const QString number = readAttribute(diskFolder + QStringLiteral("/dev"));
    if (!majorMinor.match(number).hasMatch())
        return;
    const QByteArray record = readSmallFile(udevData + QStringLiteral("/b") + number, kUdevRecordLimit);
    QString model, serial;
    for (const QByteArray& line : record.split('\n')) {
        if (line.startsWith("E:ID_MODEL="))
            model = QString::fromUtf8(line.mid(11)).trimmed();
        else if (line.startsWith("E:ID_SERIAL_SHORT="))
            serial = QString::fromUtf8(line.mid(18)).trimmed();
    }
    fillMissing(identity, model, serial);
}

void fillFromIdentify(DiskIdentity& identity, const QString& devicePath)
{
#if defined(HDIO_GET_IDENTITY)
    const QByteArray path = QFile::encodeName(devicePath);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    struct stat info
    {
    };
    unsigned char block[kIdentifySize] = {};
    const bool read =
        ::fstat(fd, &info) == 0 && S_ISBLK(info.st_mode) && ::ioctl(fd, HDIO_GET_IDENTITY, block) == 0;
    ::close(fd);
    if (!read)
        return;
    const DiskIdentity decoded = decodeIdentify(
        QByteArrayView(reinterpret_cast<const char*>(block), kIdentifySize), AtaByteOrder::ReadingOrder);
    fillMissing(identity, decoded.model, decoded.serial);
    if (identity.firmware.isEmpty())
        identity.firmware = decoded.firmware;
#else
    Q_UNUSED(identity);
    Q_UNUSED(devicePath);
#endif
}

} // namespace

QByteArray ataString(QByteArrayView field, AtaByteOrder order)
{
    QByteArray bytes = field.toByteArray();
    if (order == AtaByteOrder::AsDelivered) {
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            std::swap(bytes[i], bytes[i + 1]);
    }
    return trimBlanks(cutAtZero(bytes));
}

DiskIdentity decodeIdentify(QByteArrayView block, AtaByteOrder order)
{
    if (block.size() < kModelOffset + kModelLength)
        return DiskIdentity();
    return DiskIdentity{fromGbk(ataString(block.sliced(kModelOffset, kModelLength), order)),
                        fromGbk(ataString(block.sliced(kSerialOffset, kSerialLength), order)),
                        fromGbk(ataString(block.sliced(kFirmwareOffset, kFirmwareLength), order))};
}

QStringList fixedDisks(const DiskInfoPaths& paths)
{
    const QDir folder(paths.sysBlock);
    QStringList disks;
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort)) {
        if (isExcludedName(name))
            continue;
        const QString diskFolder = folder.filePath(name);
        if (readAttribute(diskFolder + QStringLiteral("/removable")) == QLatin1String("1") ||
            readAttribute(diskFolder + QStringLiteral("/hidden")) == QLatin1String("1"))
            continue;
        disks.append(name);
    }
    std::sort(disks.begin(), disks.end());
    return disks;
}

DiskIdentity readDiskIdentity(const QString& name, const DiskInfoPaths& paths)
{
    const QString diskFolder = paths.sysBlock + QLatin1Char('/') + name;
    DiskIdentity identity;
    fillFromSysfs(identity, diskFolder);
    if (!isComplete(identity))
        fillFromUdev(identity, diskFolder, paths.udevData);
    if (!isComplete(identity))
        fillFromIdentify(identity, paths.dev + QLatin1Char('/') + name);
    return identity;
}

QString GetDiskInfo(int drive, int what, const DiskInfoPaths& paths)
{
    if (drive < 0 || drive >= kDriveCount)
        return QString();
    const QStringList disks = fixedDisks(paths);
    if (drive >= disks.size())
        return QString();
    const DiskIdentity identity = readDiskIdentity(disks.at(drive), paths);
    if (what == 1)
        return identity.model;
    if (what == 2)
        return identity.serial;
    if (identity.model.isEmpty() && identity.serial.isEmpty())
        return QString();
    return identity.model + QLatin1Char(',') + identity.serial;
}

} // namespace velmo
