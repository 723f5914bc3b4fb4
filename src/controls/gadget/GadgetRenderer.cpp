#include "controls/gadget/GadgetRenderer.h"

#include "controls/gdi/GdiPainter.h"

namespace velmo::gadget {

using gdi::GdiPainter;

namespace {

// The track pattern, eight rows of an 8 x 8 monochrome bitmap (bit 7 is the leftmost column):
// pairs of rows alternate between 10101010 and 01010101.
constexpr quint8 kTrackPattern[8] = {0xAA, 0xAA, 0x55, 0x55, 0xAA, 0xAA, 0x55, 0x55};

gdi::ColorRef systemColor(const GadgetLook& look, int index)
{
    return gdi::sysColor(index, look.palette);
}

void drawArrowButton(GdiPainter& p, const GadgetLook& look, const GdiRect& rect, Arrow direction)
{
    if (!look.enabled)
        return;
    p.drawEdge(rect, gdi::RaisedInner, gdi::EdgeRect, look.palette);
    const int cx = (rect.left + rect.right) / 2;
    const int cy = (rect.top + rect.bottom) / 2;
    const gdi::ColorRef pen = systemColor(look, gdi::DarkShadow3D);
    // Five rows of growing width; each line leaves out its end point, so the first row is empty.
    for (int i = 0; i <= 4; ++i) {
        switch (direction) {
        case UpArrow:
            p.line(cx - i, cy - 3 + i, cx + i, cy - 3 + i, pen);
            break;
        case DownArrow:
            p.line(cx - i, cy + 2 - i, cx + i, cy + 2 - i, pen);
            break;
        case LeftArrow:
            p.line(cx - 3 + i, cy - i, cx - 3 + i, cy + i, pen);
            break;
        case RightArrow:
            p.line(cx + 2 - i, cy - i, cx + 2 - i, cy + i, pen);
            break;
        }
    }
}

void drawDimple(GdiPainter& p, const GadgetLook& look, const GdiRect& knob)
{
    const int cx = (knob.left + knob.right) / 2;
    const int cy = (knob.top + knob.bottom) / 2;
    p.ellipse({cx - 1, cy - 2, cx + 3, cy + 2}, systemColor(look, gdi::ButtonHighlight));
    p.ellipse({cx - 2, cy - 3, cx + 2, cy + 1}, systemColor(look, gdi::DarkShadow3D));
}

void drawScale(GdiPainter& p, const GadgetModel& model, const GadgetLayout& g, const GadgetLook& look)
{
    const int n = model.scaleSteps();
    const GdiRect& t = g.track;
    if (model.type() & kVerticalAxis) {
        const int x0 = p.width() - kScaleRoom;
        for (int i = 0; i <= n; ++i) {
            const int y = scaleTickPosition(t.top, t.height(), g.vKnobLength, i, n);
            p.line(x0, y, x0 + 3, y, look.foreColor);
        }
    }
    if (model.type() & kHorizontalAxis) {
        const int y0 = p.height() - kScaleRoom;
        for (int i = 0; i <= n; ++i) {
            const int x = scaleTickPosition(t.left, t.width(), g.hKnobLength, i, n);
            p.line(x, y0, x, y0 + 3, look.foreColor);
        }
    }
}

void paintKnobOn(GdiPainter& p, const GadgetModel& model, const GadgetLayout& g, const GadgetLook& look)
{
    const int type = model.type();
    GdiRect pattern = g.track;
    if (type == VerticalSlider) {
        p.fillRect(g.track, look.backColor);
        pattern = {g.track.left + 4, g.track.top, g.track.right - 4, g.track.bottom};
    } else if (type == HorizontalSlider) {
        p.fillRect(g.track, look.backColor);
        pattern = {g.track.left, g.track.top + 4, g.track.right, g.track.bottom - 4};
    }
    p.patternFill(pattern, kTrackPattern, systemColor(look, gdi::Light3D), look.backColor);
    if (!look.enabled || !g.knob)
        return;
    const GdiRect& knob = *g.knob;
    if (classOf(type) != kIndicatorClass) {
        if (look.focused)
            p.fillRect(knob, look.backColor);
        p.drawEdge(knob, gdi::RaisedInner, gdi::EdgeRect, look.palette);
        drawDimple(p, look, knob);
        return;
    }
    if (g.levelOffset > 1) {
        p.fillRect(knob, look.backColor);
        p.drawEdge(knob, gdi::RaisedInner, gdi::EdgeRect, look.palette);
    }
    if (model.showValue()) {
        const GadgetAxis& axis = type == VerticalIndicator ? model.vertical() : model.horizontal();
        GdiRect box = g.inner;
        p.drawText(box, valueText(axis.value()), gdi::TextCenter | gdi::TextVCenter | gdi::TextSingleLine,
                   look.font, look.foreColor);
    }
}

} // namespace

QString valueText(int value)
{
    return QString::number(value);
}

void GadgetRenderer::paintAll(QImage& image, const GadgetModel& model, const GadgetLayout& g,
                              const GadgetLook& look)
{
    if (image.isNull())
        return;
    GdiPainter p(image);
    p.clear(look.backColor);
    if (!model.borderless()) {
        const GdiRect frame = g.inner.inflated(2, 2);
        p.drawEdge(frame, gdi::RaisedInner, gdi::EdgeRect, look.palette);
        p.drawEdge(frame.inflated(-1, -1), gdi::SunkenOuter, gdi::EdgeRect, look.palette);
    }
    for (Arrow a : {UpArrow, DownArrow, LeftArrow, RightArrow}) {
        if (g.arrows[a])
            drawArrowButton(p, look, *g.arrows[a], a);
    }
    paintKnobOn(p, model, g, look);
    if (model.scaleSteps() != 0)
        drawScale(p, model, g, look);
}

void GadgetRenderer::paintKnob(QImage& image, const GadgetModel& model, const GadgetLayout& g,
                               const GadgetLook& look)
{
    if (image.isNull())
        return;
    GdiPainter p(image);
    paintKnobOn(p, model, g, look);
}

void GadgetRenderer::paintPressedArrow(QImage& image, const GadgetModel& model, const GadgetLayout& g,
                                       const GadgetLook& look, Arrow arrow)
{
    if (image.isNull() || !look.enabled || model.scrollingArrows() == NoArrows || !g.arrows[arrow])
        return;
    GdiPainter p(image);
    p.drawEdge(*g.arrows[arrow], gdi::SunkenOuter, gdi::EdgeRect, look.palette);
}

} // namespace velmo::gadget
