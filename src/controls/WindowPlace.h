#pragma once

// Where a window without an owner to sit over opens: the middle of its screen's free area.

#include <QPoint>

class QWidget;

namespace velmo {

// Moves the window so that its frame is centred on its screen's free area, shifted by `offset`,
// and kept inside that area.
void centreOnScreen(QWidget* window, QPoint offset = {});

// Keeps a small window of its own (the assistant figure) out of the task bar and the pager. Call
// while the window is hidden, before it shows; on a desktop other than X11 it changes nothing.
void keepOutOfTaskbar(QWidget* window);

} // namespace velmo
