#include "UserSettings.h"

namespace velmo {

std::unique_ptr<QSettings> openUserSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("velmo"),
                                       QStringLiteral("velmo"));
}

} // namespace velmo
