#pragma once

#include <QString>

namespace velmo {

// File tests used throughout the program.

// True when the path names an existing file (hidden and read-only files count; folders do not).
// A path without a "." anywhere is never a file here: the program's files all have extensions.
bool FileExists(const QString& path);

// True when the folder holds at least one file (sub-folders alone do not count).
bool FolderHasFiles(const QString& folderPath);

} // namespace velmo
