#include "controls/kvbutton/KvToolTip.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>

namespace velmo {

namespace {

constexpr int kBalloonRadius = 8;

QPainterPath balloonPath(const QSize& size)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), kBalloonRadius, kBalloonRadius);
    return path;
}

} // namespace

KvToolTipWindow::KvToolTipWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint)
    , m_iconLabel(new QLabel(this))
    , m_titleLabel(new QLabel(this))
    , m_textLabel(new QLabel(this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_textLabel->setTextFormat(Qt::PlainText);
    m_textLabel->setWordWrap(true);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(2);
    layout->addWidget(m_iconLabel, 0, 0);
    layout->addWidget(m_titleLabel, 0, 1);
    layout->addWidget(m_textLabel, 1, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void KvToolTipWindow::setContent(const KvToolTipContent& content)
{
    m_content = content;
    QPalette pal = QApplication::palette();
    const gdi::ColorRef back =
        content.backColor == gdi::kNoColor ? gdi::sysColor(gdi::InfoBackground, pal) : content.backColor;
    pal.setColor(QPalette::Window, gdi::toQColor(back));
    pal.setColor(QPalette::WindowText, gdi::toQColor(gdi::sysColor(gdi::InfoText, pal)));
    setPalette(pal);
    setLayoutDirection(content.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);

    QStyle::StandardPixmap icon = QStyle::SP_MessageBoxInformation;
    if (content.icon == KvToolTipContent::Warning)
        icon = QStyle::SP_MessageBoxWarning;
    else if (content.icon == KvToolTipContent::Error)
        icon = QStyle::SP_MessageBoxCritical;
    const bool knownIcon =
        content.icon >= KvToolTipContent::Information && content.icon <= KvToolTipContent::Error;
    m_iconLabel->setPixmap(knownIcon ? style()->standardIcon(icon).pixmap(16, 16) : QPixmap());
    m_iconLabel->setVisible(knownIcon);
    m_titleLabel->setText(content.title);
    m_titleLabel->setVisible(content.hasTitle());
    m_textLabel->setText(content.text);
    m_textLabel->setMaximumWidth(content.maxWidth);
    adjustSize();
}

void KvToolTipWindow::showAt(const QPoint& globalPos)
{
    adjustSize();
    QPoint at = globalPos;
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    move(at);
    show();
    raise();
}

void KvToolTipWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(palette().color(QPalette::Window));
    if (m_content.balloon) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawPath(balloonPath(size() - QSize(1, 1)));
    } else {
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void KvToolTipWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_content.balloon)
        setMask(QRegion(balloonPath(size()).toFillPolygon().toPolygon()));
    else
        clearMask();
}

} // namespace velmo
