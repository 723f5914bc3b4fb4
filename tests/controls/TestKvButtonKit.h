#pragma once

// Helpers shared by the image button tests: a known palette, a renderer run without a window and
// pixel access with readable failures.

#include "controls/gdi/ColorMath.h"
#include "controls/gdi/SystemColors.h"
#include "controls/kvbutton/KvButtonRenderer.h"

#include <QApplication>
#include <QTest>

namespace velmo::test {

using gdi::ColorRef;

// Every system colour the button reads, with values no style computes by accident.
inline QPalette knownPalette()
{
    QPalette p;
    // clang-format off
    const QList<std::pair<QPalette::ColorRole, QColor>> roles = {
        {QPalette::Button, QColor(240, 240, 240)}, {QPalette::Window, QColor(240, 240, 240)}, {QPalette::ButtonText, QColor(1, 2, 3)},
        {QPalette::WindowText, QColor(1, 2, 3)}, {QPalette::Text, QColor(1, 2, 3)}, {QPalette::Light, QColor(255, 255, 255)},
        {QPalette::Midlight, QColor(227, 227, 227)}, {QPalette::Dark, QColor(160, 160, 160)}, {QPalette::Mid, QColor(171, 171, 171)},
        {QPalette::Shadow, QColor(105, 105, 105)}, {QPalette::ToolTipBase, QColor(255, 255, 225)}, {QPalette::ToolTipText, QColor(0, 0, 0)}};
    // clang-format on
    for (const auto& [role, color] : roles)
        p.setColor(role, color);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
    return p;
}

inline KvRenderEnvironment knownEnvironment()
{
    KvRenderEnvironment env;
    env.palette = knownPalette();
    return env;
}

// The face of a model rendered at width x height.
inline QImage renderFace(KvButtonModel& model, int width, int height,
                         const KvRenderEnvironment& env = knownEnvironment())
{
    KvButtonRenderer renderer;
    QImage image;
    renderer.redraw(model, image, width, height, env);
    return image;
}

inline QImage solidImage(int w, int h, ColorRef color, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    image.fill(gdi::toQColor(color));
    return image;
}

inline ColorRef pixelOf(const QImage& image, int x, int y)
{
    return gdi::fromQRgb(image.pixel(x, y));
}

// Entry i of a gradient line of n + 1 colours from c1 to c2 (channels truncated towards zero).
inline ColorRef lerp(ColorRef c1, ColorRef c2, int i, int n)
{
    auto channel = [&](int a, int b) { return a + (b - a) * i / n; };
    return gdi::rgb(channel(gdi::redOf(c1), gdi::redOf(c2)), channel(gdi::greenOf(c1), gdi::greenOf(c2)),
                    channel(gdi::blueOf(c1), gdi::blueOf(c2)));
}

inline ColorRef inverted(ColorRef c)
{
    return c ^ 0xFFFFFFu;
}

inline QByteArray describe(ColorRef c)
{
    return QByteArray("(") + QByteArray::number(gdi::redOf(c)) + ", " + QByteArray::number(gdi::greenOf(c)) +
           ", " + QByteArray::number(gdi::blueOf(c)) + ")";
}

} // namespace velmo::test

// Compares one pixel with a colour and names both as (r, g, b) on failure.
#define KV_PIXEL(image, x, y, expected)                                                                      \
    QCOMPARE(velmo::test::describe(velmo::test::pixelOf((image), (x), (y))), velmo::test::describe(expected))
