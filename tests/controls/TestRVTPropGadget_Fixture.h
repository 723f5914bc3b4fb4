#pragma once

// Shared set-up of the scroll gadget tests: a palette whose 3-D colours are all distinct, gadgets
// of the sizes the program uses, pixel reads and mouse events with explicit button states.

#include "controls/RVTPropGadget.h"
#include "controls/gdi/SystemColors.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPalette>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(velmo::gdi::GdiRect)

namespace velmo::gdi {
// Rectangles in failure messages.
inline char* toString(const GdiRect& r)
{
    return QTest::toString(
        QStringLiteral("(%1, %2, %3, %4)").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom));
}
} // namespace velmo::gdi

namespace gadgettest {

using velmo::RVTPropGadget;
using velmo::gdi::ColorRef;
using velmo::gdi::rgb;

// The system colours the gadget draws with, each one recognisable.
inline constexpr ColorRef kHighlight = rgb(255, 255, 255); // button highlight
inline constexpr ColorRef kShadow = rgb(128, 128, 128);    // button shadow
inline constexpr ColorRef kDarkShadow = rgb(10, 20, 30);   // 3-D dark shadow
inline constexpr ColorRef kLight = rgb(200, 201, 202);     // 3-D light
inline constexpr ColorRef kFace = rgb(212, 208, 200);      // button face, the host's back colour
inline constexpr ColorRef kText = rgb(180, 0, 0);          // button text, the host's fore colour
// The main window's gadget colour.
inline constexpr ColorRef kPanelBlue = 0xFAE0AB;

inline QPalette testPalette()
{
    QPalette p;
    p.setColor(QPalette::Light, velmo::gdi::toQColor(kHighlight));
    p.setColor(QPalette::Dark, velmo::gdi::toQColor(kShadow));
    p.setColor(QPalette::Shadow, velmo::gdi::toQColor(kDarkShadow));
    p.setColor(QPalette::Midlight, velmo::gdi::toQColor(kLight));
    p.setColor(QPalette::Button, velmo::gdi::toQColor(kFace));
    p.setColor(QPalette::ButtonText, velmo::gdi::toQColor(kText));
    return p;
}

// A gadget of the given size with the test palette; the main window's is 39 x 330, VMax 10.
inline std::unique_ptr<RVTPropGadget> makeGadget(int width, int height, int type = 65)
{
    auto g = std::make_unique<RVTPropGadget>();
    g->setPalette(testPalette());
    g->resize(width, height);
    g->setPropGadgetType(type);
    g->setMouseButtonsProbe([] { return Qt::MouseButtons(Qt::LeftButton); });
    return g;
}

inline std::unique_ptr<RVTPropGadget> makeMainWindowGadget()
{
    auto g = makeGadget(39, 330);
    g->setBackColor(kPanelBlue);
    g->setVMax(10);
    g->setVValue(0);
    return g;
}

inline ColorRef px(const RVTPropGadget& g, int x, int y)
{
    return velmo::gdi::fromQRgb(g.surface().pixel(x, y));
}

inline void press(RVTPropGadget& g, QPointF at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent e(QEvent::MouseButtonPress, at, g.mapToGlobal(at), button, button, modifiers);
    QApplication::sendEvent(&g, &e);
}

inline void moveHeld(RVTPropGadget& g, QPointF to, Qt::MouseButtons held = Qt::LeftButton)
{
    QMouseEvent e(QEvent::MouseMove, to, g.mapToGlobal(to), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(&g, &e);
}

inline void release(RVTPropGadget& g, QPointF at, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent e(QEvent::MouseButtonRelease, at, g.mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&g, &e);
}

inline void key(RVTPropGadget& g, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyPress(&g, k, modifiers);
    QTest::keyRelease(&g, k, modifiers);
}

} // namespace gadgettest
