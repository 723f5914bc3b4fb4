#include "Skin.h"

#include <QApplication>
#include <QFile>

namespace velmo {

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
