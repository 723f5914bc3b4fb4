#include "ElidedLabel.h"

#include "PlainToolTip.h"

#include <QEvent>

namespace velmo {

ElidedLabel::ElidedLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text)
{
    m_text = text;
    setToolTip(plainToolTip(text));
    showFitting();
}

QSize ElidedLabel::sizeHint() const
{
    return QSize(minimumWidth(), QLabel::sizeHint().height());
}

QSize ElidedLabel::minimumSizeHint() const
{
    return sizeHint();
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showFitting();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        showFitting();
}

void ElidedLabel::showFitting()
{
    const int room = contentsRect().width() - 2 * margin();
    setText(fontMetrics().elidedText(m_text, Qt::ElideRight, std::max(room, 0)));
}

} // namespace velmo
