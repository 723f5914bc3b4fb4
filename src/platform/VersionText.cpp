#include "VersionText.h"

#include <QVersionNumber>

namespace velmo {

QString VersionText(const QString& version)
{
    const QVersionNumber number = QVersionNumber::fromString(version);
    return QStringLiteral(" v%1.%2%3")
        .arg(number.majorVersion())
        .arg(number.minorVersion())
        .arg(number.microVersion());
}

QString TitleText(const QString& version)
{
    return QStringLiteral("Velmo") + VersionText(version) + QStringLiteral(" Beta版");
}

QString TrayTipText(const QString& version)
{
    return QStringLiteral("Velmo") + VersionText(version);
}

} // namespace velmo
