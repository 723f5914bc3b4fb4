#include "Skin.h"

#include "platform/DataFolder.h"
#include "store/DataFiles.h"

#include <QApplication>
#include <QFile>

// The skin lives in this library's resources; a static library must pull them in by hand.
static void initStartupResources()
{
    Q_INIT_RESOURCE(startup);
}

namespace velmo {

QString skinFilePath(const DataFolder& folder)
{
    return folder.filePath(QString::fromLatin1(kSkinFileName));
}

StoreResult ReleaseSkinFile(const DataFolder& folder)
{
    const QString path = skinFilePath(folder);
    if (QFile::exists(path))
        return StoreResult::success();
    initStartupResources();
    return SaveResFile(QStringLiteral(":/startup/skinh.she"), path);
}

bool AttachSkin(const QString& skinFile)
{
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return false;
    app->setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

} // namespace velmo
