#include "EditorServices.h"

#include "controls/MessageBoxes.h"
#include "store/Recovery.h"
#include "store/RunState.h"

#include <QCoreApplication>

namespace velmo {

void endForUnusableData(const EditorServices& services, QWidget* parent)
{
    const MissingRowRecovery recovery = RecoverMissingRow(services.run.DbPath);
    if (!recovery.recreated.ok)
        qWarning("velmo: data.db not re-created: %s", qPrintable(recovery.recreated.error));
    std::function<void()> end = services.endProgram;
    if (!end)
        end = [] { QCoreApplication::exit(1); };
    services.boxes.warn(parent, recoveryText(recovery), {}, end);
}

} // namespace velmo
