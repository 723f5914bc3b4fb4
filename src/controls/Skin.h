#pragma once

#include <QString>

namespace velmo {

// The skin: a style sheet kept in the data folder (see store/DataFiles.h for where it lives and how
// it is written out), applied to every window of the program.

// Applies the skin file to the whole application; false (and the windows keep their look) when
// it cannot be read.
bool AttachSkin(const QString& skinFile);

} // namespace velmo
