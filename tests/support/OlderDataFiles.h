#pragma once

#include <QString>

namespace velmo::test {

// Writes at path a data.db as the program of that version wrote it: versions 1 to 3 from their schema
// kept in tests/store/data-version<N>.sql, run as that version ran it; the current version as this
// program writes it. Empty when written, else why not.
QString writeDataFileOfVersion(int version, const QString& path);

} // namespace velmo::test
