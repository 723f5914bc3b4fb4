#include "Recovery.h"

#include "platform/FileUtils.h"
#include "store/DataFiles.h"

namespace velmo {

QString settingsLoadErrorText()
{
    return QStringLiteral("数据配置文件加载出错,请尝试重新启动程序");
}

MissingRowRecovery RecoverMissingRow(const QString& dbPath)
{
    MissingRowRecovery recovery;
    if (FileExists(dbPath))
        return recovery;
    recovery.fileWasMissing = true;
    recovery.recreated = SaveDatabaseFile(dbPath);
    return recovery;
}

} // namespace velmo
