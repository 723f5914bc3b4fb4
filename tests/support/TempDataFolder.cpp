#include "TempDataFolder.h"

namespace velmo::test {

TempDataFolder::TempDataFolder()
    : m_dir(QDir::tempPath() + QStringLiteral("/velmo-test-XXXXXX"))
{
}

AssetFolder buildAssetFolder()
{
    return AssetFolder(QStringLiteral(VELMO_BUILD_BIN_DIR));
}

} // namespace velmo::test
