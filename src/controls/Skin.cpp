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
    // The same skin again (the main window attaches it after the sign-in window did) changes
    // nothing: every widget would only be styled anew.
    const QString sheet = QString::fromUtf8(file.readAll());
    if (app->styleSheet() != sheet)
        app->setStyleSheet(sheet);
    return true;
}

} // namespace velmo
