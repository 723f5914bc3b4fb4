#include "FileUtils.h"

#include <QDirIterator>
#include <QFileInfo>

namespace velmo {

bool FileExists(const QString& path)
{
    if (path.isEmpty() || !path.contains(QLatin1Char('.')))
        return false;
    return QFileInfo(path).isFile();
}

bool FolderHasFiles(const QString& folderPath)
{
    if (folderPath.isEmpty() || !QFileInfo(folderPath).isDir())
        return false;
    QDirIterator it(folderPath, QDir::Files | QDir::Hidden | QDir::System);
    return it.hasNext();
}

} // namespace velmo
