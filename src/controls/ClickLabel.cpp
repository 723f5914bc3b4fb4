#include "ClickLabel.h"

#include <QMouseEvent>

namespace velmo {

ClickLabel::ClickLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
}

void ClickLabel::setLinkLook(bool on)
{
    m_linkLook = on;
    setCursor(on ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::enterEvent(QEnterEvent* event)
{
    showHover(true);
    QLabel::enterEvent(event);
}

void ClickLabel::leaveEvent(QEvent* event)
{
    showHover(false);
    QLabel::leaveEvent(event);
}

void ClickLabel::showHover(bool hover)
{
    if (!m_linkLook)
        return;
    // Blue and underlined while the link is under the mouse, black otherwise. Both go in the style
    // sheet: a style sheet replaces a font set on the widget, underline and all.
    setStyleSheet(hover ? QStringLiteral("color: #0000ff; text-decoration: underline;")
                        : QStringLiteral("color: #000000; text-decoration: none;"));
}

} // namespace velmo
