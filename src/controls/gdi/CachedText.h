#pragma once

// One piece of text laid out once and then painted many times, in different colours and at
// different places, with the result drawText() would give.
//
// Usage:
//   CachedText caption;                               // keep it with the control
//   GdiRect need = caption.measure(p, {0, 0, 97, 39}, text, TextWordBreak, font);
//   caption.draw(p, need.offset(4, 12), text, TextCenter | TextWordBreak, font, rgb(0, 0, 0));
//   caption.draw(p, need.offset(5, 13), text, TextCenter | TextWordBreak, font, shadow);
//
// The layout is redone only when the text, flags, font or rectangle size change.

#include "controls/gdi/GdiPainter.h"

namespace velmo::gdi {

class CachedText
{
public:
    // drawText() with TextCalcRect added: the rectangle the text needs.
    GdiRect measure(GdiPainter& painter, const GdiRect& rect, const QString& text, int flags,
                    const QFont& font);
    // drawText() in one colour, clipped to the rectangle.
    void draw(GdiPainter& painter, const GdiRect& rect, const QString& text, int flags, const QFont& font,
              ColorRef color);

private:
    struct Key
    {
        QString text;
        int flags = 0;
        QFont font;
        QSize size;
        bool operator==(const Key&) const = default;
    };

    Key m_measured;
    GdiRect m_measure;
    bool m_hasMeasure = false;
    Key m_masked;
    QImage m_mask;
    bool m_hasMask = false;
};

} // namespace velmo::gdi
