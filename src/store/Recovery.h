#pragma once

#include "store/StoreResult.h"

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace velmo {

// What the program does when the settings row (or the signed-in account's row) cannot be read:
// re-create data.db should the file be gone, tell the user, and end.

// The text shown to the user.
QString settingsLoadErrorText();

struct MissingRowRecovery
{
    bool fileWasMissing = false; // data.db did not exist
    StoreResult recreated;       // the outcome of writing it out (success when nothing was needed)
};

// Writes out the empty database at dbPath when no file is there; an existing file is left as it
// is. The caller then shows the error (ShowLoadErrorAndQuit) and the program ends.
MissingRowRecovery RecoverMissingRow(const QString& dbPath);

// Shows the error with the exclamation icon under the title "Tarvik" without waiting for it, and
// calls onClosed once the user closes it. The default ends the program (exit code 1). Returns
// the box, which deletes itself when closed.
QMessageBox* ShowLoadErrorAndQuit(QWidget* parent = nullptr, std::function<void()> onClosed = {});

} // namespace velmo
