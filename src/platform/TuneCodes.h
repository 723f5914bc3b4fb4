#pragma once

#include "platform/DataFolder.h"

#include <QString>
#include <QStringList>

namespace velmo {

// The built-in tunes: the code a memo stores for each and the file under sound/ that plays it.
// The file name is also the tune's label in the editors' list. Comparisons are exact.

// The file names in list order, "天空之城.mid" first.
const QStringList& builtInTuneFileNames();

// "1.mid" gives "天空之城.mid"; an unknown code gives the empty text.
QString tuneFileName(const QString& tuneCode);

// "天空之城.mid" gives "1.mid"; a name outside the list gives the empty text.
QString tuneCode(const QString& fileName);

// Full path of a built-in tune's file: sound/<fileName> in the asset folder.
QString builtInTunePath(const AssetFolder& assets, const QString& fileName);

} // namespace velmo
