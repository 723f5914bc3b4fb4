#pragma once

// The model and serial number of one of the machine's fixed disks, a stable machine identifier.
//
//   QString serial = velmo::GetDiskInfo(0, 2);          // first fixed disk's serial, "" if unknown
//   QString both = velmo::GetDiskInfo(0, 3);            // "model,serial"
//   velmo::DiskInfoPaths fake{root + "/sys/block", root + "/udev", root + "/dev"};
//   QString model = velmo::GetDiskInfo(1, 1, fake);     // second disk of a fake tree
//
// The fixed disks are the whole-disk entries of the block folder, in name order, without loop,
// RAM, zram, device-mapper, md, optical and floppy devices and without removable or hidden ones.
// Each field comes from the first source that knows it: the device's own attributes, then the
// udev database, then the drive's IDENTIFY data where the device node can be opened for reading.
// Nothing is kept between calls.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace velmo {

struct DiskInfoPaths
{
    QString sysBlock = QStringLiteral("/sys/block");
    QString udevData = QStringLiteral("/run/udev/data");
    QString dev = QStringLiteral("/dev");
};

// How the strings of an IDENTIFY block are laid out: as the drive delivers them (each pair of
// bytes swapped), or already in reading order (what the kernel's identity request hands back).
enum class AtaByteOrder
{
    AsDelivered,
    ReadingOrder
};

struct DiskIdentity
{
    QString model;
    QString serial;
    QString firmware;
};

// One ATA string field: pairs swapped back when delivered swapped (an odd last byte stays where it
// is), cut at the first zero byte, blanks trimmed at both ends.
QByteArray ataString(QByteArrayView field, AtaByteOrder order);

// Serial (words 10-19), firmware (words 23-26) and model (words 27-46) of IDENTIFY data; all
// empty when the block is too short to hold them.
DiskIdentity decodeIdentify(QByteArrayView block, AtaByteOrder order);

// The fixed disks' names (e.g. "nvme0n1", "sda"), in name order.
QStringList fixedDisks(const DiskInfoPaths& paths = {});

// Model and serial of one disk by name; a field no source knows stays empty.
DiskIdentity readDiskIdentity(const QString& name, const DiskInfoPaths& paths = {});

// Fixed disk number `drive` (0 to 3): what 1 gives the model, 2 the serial, anything else
// "model,serial". "" when the drive does not exist or the asked field is unknown (for the pair:
// when both are).
QString GetDiskInfo(int drive, int what, const DiskInfoPaths& paths = {});

} // namespace velmo
