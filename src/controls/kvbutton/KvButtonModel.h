#pragma once

// Everything the image button knows: its stored properties and its run-time state, as plain data
// that the renderer and the input handling share.

#include "controls/gdi/SystemColors.h"
#include "controls/kvbutton/KvPicture.h"

#include <QFont>
#include <QString>

namespace velmo {

// Drawing states handed to the renderers.
enum KvButtonState : int
{
    KvNormal = 0,
    KvHot = 1,
    KvDown = 2
};

// The ways a button reacts to a click.
enum KvButtonMode : int
{
    KvPush = 0,
    KvCheck = 1,
    KvOption = 2
};

struct KvButtonProperties
{
    gdi::OleColor backColor = 0;
    int buttonStyle = 0;
    QString caption;
    int captionAlign = 1;
    int dropDownSymbol = 0;
    bool dropDownSeparator = false;
    int disabledPictureMode = 0;
    bool enabled = true;
    QFont font;
    gdi::OleColor foreColor = 0;
    gdi::OleColor foreColorHover = 0;
    bool handPointer = false;
    gdi::OleColor maskColor = 0xE0E0E0;
    int mode = KvPush;
    int mousePointer = 0;
    KvPicture mouseIcon;
    KvPicture pictureNormal;
    KvPicture pictureHot;
    KvPicture pictureDown;
    int pictureAlign = 1;
    bool pictureShadow = false;
    int pictureEffectOnOver = 0;
    int pictureEffectOnDown = 0;
    bool picturePushOnHover = false;
    quint8 pictureOpacity = 255;
    quint8 pictureOpacityOnOver = 255;
    bool rightToLeft = false;
    int captionEffects = 0;
    bool showFocusRect = false;
    bool useMaskColor = true;
    bool value = false;
    QString tooltipTitle;
    QString toolTip;
    gdi::OleColor tooltipBackColor = 0;
    int toolTipIcon = 0;
    int toolTipType = 0;
    int colorScheme = 0;
};

struct KvButtonRuntime
{
    int buttonState = KvNormal;
    bool isPressed = false;
    bool mouseOver = false;
    bool hasFocus = false;
    bool displayAsDefault = false;
    bool parentActive = false;
    bool spaceDown = false;
    bool tooltipRightToLeft = false;
    // Colour with which every paint clears the face before the renderer runs.
    gdi::OleColor surfaceBackColor = gdi::systemColor(gdi::ButtonFace);
    // Text colour of the face, used by the drop-down symbol.
    gdi::ColorRef textColor = 0;
};

struct KvButtonModel
{
    KvButtonProperties props;
    KvButtonRuntime run;
};

// Colour schemes run from 0 to 3; anything else is brought into that range.
int clampColorScheme(int scheme);

// Chooses the built-in ColorScheme for the ButtonStyle (styles 5 and 11 to 13 keep theirs).
void applyDefaultColorScheme(KvButtonProperties& props);
// Sets BackColor from ButtonStyle and ColorScheme, then ForeColor, ShowFocusRect and, for
// style 4, PicturePushOnHover. System colours are resolved with the palette.
void applyDefaultBackColor(KvButtonProperties& props, const QPalette& palette);

// The access key a caption gives: the lower-case character after the first single "&", or
// empty; "&&" is an escaped ampersand.
QString accessKeyOfCaption(const QString& caption);

} // namespace velmo
