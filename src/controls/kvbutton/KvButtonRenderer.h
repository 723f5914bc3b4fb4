#pragma once

// Paints the whole image button into an image: clears it, works out the drawing state, runs the
// face renderer of the ButtonStyle, then lays out and paints picture, caption and drop-down parts.

#include "controls/gdi/CachedText.h"
#include "controls/gdi/GdiPainter.h"
#include "controls/kvbutton/KvButtonModel.h"
#include "controls/kvbutton/KvPicturePainter.h"

#include <QImage>
#include <QPalette>
#include <QRegion>

#include <optional>

class QStyle;
class QWidget;

namespace velmo {

// What the renderer takes from the platform for one paint.
struct KvRenderEnvironment
{
    QPalette palette;
    // Visual styles are available: ButtonStyle 13 draws the platform's push button.
    bool themed = true;
    // Captions are drawn as Unicode; otherwise they pass through the ANSI (GBK) code page first.
    bool unicodeText = true;
    // Run time rather than design time (style 0, 1, 11, 12 focus rectangles need it).
    bool userMode = true;
    // Style and widget for the themed push button; the application style when null.
    QStyle* style = nullptr;
    const QWidget* widget = nullptr;
};

class KvButtonRenderer
{
public:
    // Full repaint of the model into image (resized to width x height when it differs).
    // May change the model as the faces require: a check or option button that is on becomes
    // state 2, style 13 without visual styles becomes style 2 for good, style 6 sets ForeColor.
    void redraw(KvButtonModel& model, QImage& image, int width, int height, const KvRenderEnvironment& env);

    // The window region a paint asked for (rounded corners of some styles), once; empty when
    // the last paint did not set one.
    std::optional<QRegion> takeRegion();
    // The region of a ButtonStyle for a width x height button (empty for a plain rectangle).
    static QRegion buttonRegion(int buttonStyle, int width, int height);

    // Layout of the last paint.
    gdi::GdiRect captionRect() const { return m_captionRect; }
    gdi::GdiRect pictureRect() const { return m_pictureRect; }
    gdi::GdiRect dropDownRect() const { return m_dropDownRect; }
    // The caption as it is drawn (after the code-page pass when text is not Unicode).
    QString drawnCaption() const { return m_drawnCaption; }

private:
    // Face renderers, one per group of ButtonStyles.
    void drawStyle8(int state);
    void drawStyle3(int state);
    void drawStyle5(int state);
    void drawStyle7(int state);
    void drawThemedButton(int state);
    void drawStandardStyle(int state);
    void drawStyle2(int state);
    void drawStyle4(int state);
    void drawStyle6(int state);
    void drawStyle9(int state);
    void drawStyle10(int state);

    // Shared pieces of the faces.
    void drawPictureAndCaption();
    void placePicture(int pictureWidth, int pictureHeight);
    void drawPicture(const gdi::GdiRect& at, gdi::ColorRef fillColor);
    void drawShadowedPicture();
    void drawCaption();
    void drawCaptionText(const gdi::GdiRect& rect, gdi::ColorRef color, int dx, int dy);
    void drawDropDownSymbol(int symbolCode);
    void createButtonRegion();
    void setPixelColor(gdi::ColorRef color);
    const KvPicture& currentPicture() const;
    static QString captionForPaint(const QString& caption, bool unicodeText);
    bool hasDropDownPart() const;

    // Shorthands of the face renderers.
    gdi::ColorRef base() const; // BackColor resolved
    gdi::ColorRef translate(gdi::OleColor color) const;
    void gradient(int x, int y, int width, int height, gdi::ColorRef c1, gdi::ColorRef c2, int direction = 1);
    void frame(int x, int y, int width, int height, gdi::ColorRef color);
    void lineTo(int x1, int y1, int x2, int y2, gdi::ColorRef color);
    void fillAll(gdi::ColorRef color);

    KvButtonModel* m_model = nullptr;
    gdi::GdiPainter* m_painter = nullptr;
    QImage* m_image = nullptr;
    const KvRenderEnvironment* m_env = nullptr;
    int m_width = 0;
    int m_height = 0;
    gdi::GdiRect m_buttonRect;
    gdi::GdiRect m_captionRect;
    gdi::GdiRect m_pictureRect;
    gdi::GdiRect m_dropDownRect;
    std::optional<QRegion> m_region;
    QString m_drawnCaption;
    KvPicturePainter m_pictures;
    gdi::CachedText m_captionText;
};

} // namespace velmo
