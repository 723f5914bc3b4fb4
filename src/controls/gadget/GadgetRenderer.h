#pragma once

// Paints a scroll gadget into an image: the full picture, or only its track and knob, or one
// arrow button pressed.

#include "controls/gadget/GadgetGeometry.h"
#include "controls/gdi/SystemColors.h"

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QString>

namespace velmo::gadget {

// What the surface contributes to a picture besides the model.
struct GadgetLook
{
    gdi::ColorRef backColor = 0;
    gdi::ColorRef foreColor = 0;
    QPalette palette;
    QFont font;
    bool enabled = true;
    bool focused = false;
};

// The indicator's value as text; a negative value keeps its sign.
QString valueText(int value);

class GadgetRenderer
{
public:
    // The whole gadget: background, frame, arrow buttons, track with knob, scale.
    static void paintAll(QImage& image, const GadgetModel& model, const GadgetLayout& layout,
                         const GadgetLook& look);
    // Only the track with its knob (or level bar and value text).
    static void paintKnob(QImage& image, const GadgetModel& model, const GadgetLayout& layout,
                          const GadgetLook& look);
    // One arrow button shown pressed; nothing when the gadget is disabled or has no such button.
    static void paintPressedArrow(QImage& image, const GadgetModel& model, const GadgetLayout& layout,
                                  const GadgetLook& look, Arrow arrow);
};

} // namespace velmo::gadget
