#pragma once

#include "store/StoreResult.h"

#include <QString>

namespace velmo {

class DataFolder;

// The skin: a style sheet kept in the data folder as "skinh.she", written out from the program's
// own copy when missing, and applied to every window of the program.

inline constexpr const char* kSkinFileName = "skinh.she";

QString skinFilePath(const DataFolder& folder);

// Writes the program's skin into the data folder unless a skin file is already there.
StoreResult ReleaseSkinFile(const DataFolder& folder);

// Applies the skin file to the whole application; false (and the windows keep their look) when
// it cannot be read.
bool AttachSkin(const QString& skinFile);

} // namespace velmo
