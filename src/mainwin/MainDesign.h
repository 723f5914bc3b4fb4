#pragma once

#include "controls/PropertyBag.h"
#include "platform/DataFolder.h"

#include <QString>

namespace velmo {

// The stored property sets of the main window's custom controls, as the window's design holds them.
namespace MainDesign {

constexpr int ToolbarButtonCount = 7;

// The caption of toolbar button 0 to 6.
QString toolbarCaption(int index);

// Button(index) of the toolbar: style 8 option buttons on the toolbar's pale blue, a picture at
// the left of the caption; pictures come from the asset folder's images/.
PropertyBag toolbarButton(int index, const AssetFolder& assets);

// RVTPropGadget1 beside the due panel: a vertical scroll bar from 0 to 10 at its top.
PropertyBag dueScroller();

} // namespace MainDesign

} // namespace velmo
