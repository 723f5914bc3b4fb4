#include "controls/gdi/CachedText.h"

#include <QPainter>

namespace velmo::gdi {

GdiRect CachedText::measure(GdiPainter& painter, const GdiRect& rect, const QString& text, int flags,
                            const QFont& font)
{
    const Key key{text, flags, font, QSize(rect.width(), rect.height())};
    if (!m_hasMeasure || !(key == m_measured)) {
        GdiRect at{0, 0, rect.width(), rect.height()};
        painter.drawText(at, text, flags | TextCalcRect, font, 0);
        m_measure = at;
        m_measured = key;
        m_hasMeasure = true;
    }
    return m_measure.offset(rect.left, rect.top);
}

void CachedText::draw(GdiPainter& painter, const GdiRect& rect, const QString& text, int flags,
                      const QFont& font, ColorRef color)
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    const Key key{text, flags, font, QSize(rect.width(), rect.height())};
    if (!m_hasMask || !(key == m_masked)) {
        m_mask = QImage(key.size, QImage::Format_Alpha8);
        m_mask.fill(0);
        QPainter p(&m_mask);
        p.setFont(font);
        p.setPen(QColor(0, 0, 0, 255));
        p.setLayoutDirection((flags & TextRtlReading) ? Qt::RightToLeft : Qt::LeftToRight);
        p.drawText(QRect(QPoint(0, 0), key.size), GdiPainter::qtTextFlags(flags), text);
        p.end();
        m_masked = key;
        m_hasMask = true;
    }
    painter.blendMask(m_mask, rect.left, rect.top, color);
}

} // namespace velmo::gdi
