#include "controls/kvbutton/KvButtonModel.h"

#include "controls/gdi/ColorMath.h"

#include <algorithm>

namespace velmo {

using namespace gdi;

int clampColorScheme(int scheme)
{
    return std::clamp(scheme, 0, 3);
}

void applyDefaultColorScheme(KvButtonProperties& props)
{
    switch (props.buttonStyle) {
    case 3:
    case 9:
        props.colorScheme = 2;
        break;
    case 0:
    case 1:
    case 2:
    case 4:
    case 6:
    case 7:
    case 8:
    case 10:
        props.colorScheme = 0;
        break;
    default:
        break;
    }
}

void applyDefaultBackColor(KvButtonProperties& props, const QPalette& palette)
{
    // Colours per ColorScheme 0, 1 and 2; another scheme leaves BackColor as it is.
    auto byScheme = [&](ColorRef scheme0, ColorRef scheme1, ColorRef scheme2) {
        switch (props.colorScheme) {
        case 0:
            props.backColor = scheme0;
            break;
        case 1:
            props.backColor = scheme1;
            break;
        case 2:
            props.backColor = scheme2;
            break;
        default:
            break;
        }
    };
    switch (props.buttonStyle) {
    case 0:
    case 1:
    case 4:
    case 6:
    case 7:
    case 11:
    case 12:
        props.backColor = sysColor(ButtonFace, palette);
        break;
    case 2:
        byScheme(0xE7EBEC, 0xDBEEF3, 0xFCF1F0);
        break;
    case 3:
        byScheme(0xFDECE0, 0xDEEDE8, shiftColor(0xD4D4D4, 0.06f));
        break;
    case 5:
        byScheme(0xFCE1CA, 0xBAD6D4, shiftColor(0xBA9EA0, 0.15f));
        break;
    case 8:
    case 10:
        byScheme(0xFFD1AD, 0xBAD6D4, 0xE3DFE0);
        break;
    case 9:
        byScheme(0xFFD1AD, 0xBAD6D4, 0xE1D6D5);
        break;
    default:
        break;
    }
    props.foreColor = translateColor(systemColor(ButtonText), palette);
    props.showFocusRect = props.buttonStyle == 0 || props.buttonStyle == 1 || props.buttonStyle == 9;
    if (props.buttonStyle == 4)
        props.picturePushOnHover = true;
}

QString accessKeyOfCaption(const QString& caption)
{
    if (caption.size() < 2)
        return {};
    const qsizetype first = caption.indexOf(QLatin1Char('&'));
    if (first < 0 || first == caption.size() - 1)
        return {};
    if (caption.at(first + 1) != QLatin1Char('&'))
        return caption.at(first + 1).toLower();
    const qsizetype next = caption.indexOf(QLatin1Char('&'), first + 2);
    if (next < 0 || next == caption.size() - 1 || caption.at(next + 1) == QLatin1Char('&'))
        return {};
    return caption.at(next + 1).toLower();
}

} // namespace velmo
