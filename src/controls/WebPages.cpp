#include "WebPages.h"

#include "controls/MessageBoxes.h"

#include <QDesktopServices>

namespace velmo {

bool desktopBrowser(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

QString pageNotOpenedText(const QUrl& url)
{
    return QStringLiteral("无法打开网页(没有找到可用的浏览器),请手动在浏览器中打开:\n") +
           url.toDisplayString();
}

void openWebPage(const QUrl& url, MessageBoxes& boxes, QWidget* parent, const Browser& browser)
{
    const bool opened = browser ? browser(url) : desktopBrowser(url);
    if (!opened)
        boxes.warn(parent, pageNotOpenedText(url));
}

} // namespace velmo
