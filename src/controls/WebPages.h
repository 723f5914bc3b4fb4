#pragma once

// Web pages the program offers (help, notices, the update page, registration) open in the user's
// browser; a page that no browser took is told to the user with its address, to open it by hand.

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace velmo {

class MessageBoxes;

// Hands a page to a browser: true when one took it.
using Browser = std::function<bool(const QUrl&)>;

// The desktop's own browser.
bool desktopBrowser(const QUrl& url);

// What the user reads when a page could not be opened.
QString pageNotOpenedText(const QUrl& url);

// Opens the page in `browser` (the desktop's when empty); when it was not opened, tells the user
// once, in a box over `parent`.
void openWebPage(const QUrl& url, MessageBoxes& boxes, QWidget* parent, const Browser& browser = {});

} // namespace velmo
