#include "AboutDialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace velmo {

namespace {

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QFrame* line(const QString& name, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

AboutDialog::AboutDialog(const QString& version, QUrl homePage, std::function<void(const QUrl&)> openUrl,
                         const QPixmap& picture, QWidget* parent)
    : QDialog(parent)
    , m_homePage(std::move(homePage))
    , m_openUrl(std::move(openUrl))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于 Velmo"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* title = namedLabel(QStringLiteral("lblTitle"), QStringLiteral("Velmo"), this);
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* versionText = namedLabel(QStringLiteral("lblVersion"), versionLabel(version), this);
    auto* description = namedLabel(
        QStringLiteral("lblDescription"),
        QStringLiteral("Velmo是一款时间管理、备忘提醒软件，帮助你记录生活的点点滴滴，记住工作的方方面面。"),
        this);
    description->setWordWrap(true);
    auto* features = namedLabel(QStringLiteral("Label2"),
                                QStringLiteral("软件支持铃声提醒、浮动窗口提醒、邮件提醒以及短信提醒。欢迎广"
                                               "大用户对程序的功能和开发提出建议和反馈。"),
                                this);
    features->setWordWrap(true);
    auto* siteLabel = namedLabel(QStringLiteral("Label1"), QStringLiteral("官方网站: "), this);
    QUrl shown = m_homePage;
    shown.setPath(QString());
    m_link = namedLabel(QStringLiteral("lblDisclaimer"), shown.toString(), this);
    m_link->setCursor(Qt::PointingHandCursor);
    QPalette linkPalette = m_link->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
    m_link->setPalette(linkPalette);
    m_link->installEventFilter(this);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AboutDialog::cmdOK_Click);

    auto* image = namedLabel(QStringLiteral("Image1"), QString(), this);
    if (!picture.isNull())
        image->setPixmap(picture.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QGridLayout;
    heading->addWidget(image, 0, 0, 2, 1);
    heading->addWidget(title, 0, 1);
    heading->addWidget(versionText, 1, 1);
    heading->setColumnStretch(1, 1);
    layout->addLayout(heading);
    layout->addWidget(line(QStringLiteral("Line1"), this));
    layout->addWidget(description);
    layout->addWidget(features);
    auto* site = new QHBoxLayout;
    site->addWidget(siteLabel);
    site->addWidget(m_link);
    site->addStretch();
    layout->addLayout(site);
    layout->addWidget(line(QStringLiteral("Line1_1"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    setFixedWidth(420);
}

QString AboutDialog::versionLabel(const QString& version)
{
    const QVersionNumber number = QVersionNumber::fromString(version);
    return QStringLiteral("版本 %1.%2.%3")
        .arg(number.majorVersion())
        .arg(number.minorVersion())
        .arg(number.microVersion());
}

void AboutDialog::lblDisclaimer_Click()
{
    if (m_openUrl)
        m_openUrl(m_homePage);
}

void AboutDialog::cmdOK_Click()
{
    close();
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_link && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblDisclaimer_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velmo
