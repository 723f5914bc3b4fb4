#pragma once

// The stored property set that every image button of the program's windows shares: the seven of
// the main window's toolbar and the five actions of the reminder window. Each window keeps its own
// table of captions and pictures and its buttons' size.
//
//   constexpr velmo::KvButtonDesign design{u"编辑备忘", "button-edit", 0};
//   auto* button = new velmo::KvButton(velmo::programButton(design, assets), window, index);

#include "controls/PropertyBag.h"
#include "platform/DataFolder.h"

namespace velmo {

struct KvButtonDesign
{
    const char16_t* caption;
    const char* picture; // images/<picture>.png in the asset folder
    int captionEffects;  // 4: four lighter copies behind the caption
};

// A style 8 option button on the program's pale blue, its caption in Tahoma 8.25 pt, the 24 x 24
// picture at the left of the caption with its shadow.
PropertyBag programButton(const KvButtonDesign& design, const AssetFolder& assets);

} // namespace velmo
