#pragma once

#include "platform/DataFolder.h"

#include <QDir>
#include <QTemporaryDir>

namespace velmo::test {

// A fresh, empty per-test data folder that is removed with the object.
class TempDataFolder
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    DataFolder dataFolder() const { return DataFolder(m_dir.path()); }

private:
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/velmo-test-XXXXXX")};
};

// The build tree's asset folder (sound/, images/ beside the velmo executable).
AssetFolder buildAssetFolder();

} // namespace velmo::test
