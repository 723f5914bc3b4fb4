#include "controls/gdi/SystemColors.h"

namespace velmo::gdi {

namespace {

struct RoleOfIndex
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The one table from system colour index to palette role. Index 25 has no colour of its own.
constexpr RoleOfIndex kRoles[LastSystemColor + 1] = {
    {QPalette::Active, QPalette::Midlight},          // 0 scroll bar track
    {QPalette::Active, QPalette::Dark},              // 1 desktop
    {QPalette::Active, QPalette::Highlight},         // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},       // 3 inactive caption
    {QPalette::Active, QPalette::Window},            // 4 menu
    {QPalette::Active, QPalette::Base},              // 5 window
    {QPalette::Active, QPalette::Shadow},            // 6 window frame
    {QPalette::Active, QPalette::WindowText},        // 7 menu text
    {QPalette::Active, QPalette::Text},              // 8 window text
    {QPalette::Active, QPalette::HighlightedText},   // 9 caption text
    {QPalette::Active, QPalette::Window},            // 10 active border
    {QPalette::Inactive, QPalette::Window},          // 11 inactive border
    {QPalette::Active, QPalette::Mid},               // 12 application workspace
    {QPalette::Active, QPalette::Highlight},         // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},   // 14 highlighted text
    {QPalette::Active, QPalette::Button},            // 15 button face
    {QPalette::Active, QPalette::Dark},              // 16 button shadow
    {QPalette::Disabled, QPalette::Text},            // 17 grey text
    {QPalette::Active, QPalette::ButtonText},        // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText}, // 19 inactive caption text
    {QPalette::Active, QPalette::Light},             // 20 button highlight
    {QPalette::Active, QPalette::Shadow},            // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},          // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},       // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},       // 24 info background
    {QPalette::Active, QPalette::NoRole},            // 25 unused
    {QPalette::Active, QPalette::Link},              // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},         // 27 gradient of the active caption
    {QPalette::Inactive, QPalette::Highlight},       // 28 gradient of the inactive caption
    {QPalette::Active, QPalette::Highlight},         // 29 menu highlight
    {QPalette::Active, QPalette::Window},            // 30 menu bar
};

} // namespace

QColor toQColor(ColorRef c)
{
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

ColorRef fromQColor(const QColor& c)
{
    return rgb(c.red(), c.green(), c.blue());
}

ColorRef sysColor(int index, const QPalette& palette)
{
    if (index < 0 || index > LastSystemColor)
        return 0;
    const RoleOfIndex entry = kRoles[index];
    if (entry.role == QPalette::NoRole)
        return 0;
    return fromQColor(palette.color(entry.group, entry.role));
}

ColorRef translateColor(OleColor color, const QPalette& palette)
{
    switch (color >> 24) {
    case 0x00:
        return color;
    case 0x02:
        return color & 0x00FFFFFFu;
    case 0x80: {
        const OleColor index = color & 0x00FFFFFFu;
        if (index > OleColor(LastSystemColor))
            return kNoColor;
        return sysColor(int(index), palette);
    }
    default:
        return kNoColor;
    }
}

} // namespace velmo::gdi
