#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;

namespace velmo {

// The About box: name, version, what the program does, and a link to the service's home page.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // version: "1.8.3"; homePage: the service's root page; openUrl hands a page to the browser;
    // picture: the program's picture beside the title.
    AboutDialog(const QString& version, QUrl homePage, std::function<void(const QUrl&)> openUrl,
                const QPixmap& picture, QWidget* parent = nullptr);

    // "版本 1.8.3": major, minor and revision of the version, parts missing read as 0.
    static QString versionLabel(const QString& version);

public slots:
    void lblDisclaimer_Click();
    void cmdOK_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QUrl m_homePage;
    std::function<void(const QUrl&)> m_openUrl;
    QLabel* m_link;
};

} // namespace velmo
