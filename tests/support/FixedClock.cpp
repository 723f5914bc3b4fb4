#include "FixedClock.h"
#include "TempDataFolder.h"

namespace velmo::test {

AssetFolder buildAssetFolder()
{
    return AssetFolder(QStringLiteral(VELMO_BUILD_BIN_DIR));
}

QDateTime defaultTestMoment()
{
    return QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0));
}

FixedClock& fixedClock()
{
    static FixedClock clock(defaultTestMoment());
    return clock;
}

} // namespace velmo::test
