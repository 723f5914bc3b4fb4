#include "DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace velmo {

DataFolder::DataFolder()
    : m_path(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
{
}

DataFolder::DataFolder(QString path)
    : m_path(std::move(path))
{
}

QString DataFolder::filePath(const QString& fileName) const
{
    return QDir(m_path).filePath(fileName);
}

bool DataFolder::ensureExists() const
{
    if (m_path.isEmpty())
        return false;
    QDir dir(m_path);
    if (dir.exists())
        return true;
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    return QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

namespace {
QString findAssetFolder()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        appDir,
        QDir(appDir).filePath(QStringLiteral("../share/velmo")),
    };
    for (const QString& candidate : candidates) {
        if (QDir(candidate).exists(QStringLiteral("sound")) ||
            QDir(candidate).exists(QStringLiteral("images")))
            return QDir(candidate).absolutePath();
    }
    return appDir;
}
} // namespace

AssetFolder::AssetFolder()
    : m_path(findAssetFolder())
{
}

AssetFolder::AssetFolder(QString path)
    : m_path(std::move(path))
{
}

QString AssetFolder::filePath(const QString& relativePath) const
{
    return QDir(m_path).filePath(relativePath);
}

} // namespace velmo
