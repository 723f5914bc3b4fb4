#include "EditorServices.h"

#include "controls/MessageBoxes.h"
#include "store/Recovery.h"
#include "store/RunState.h"

#include <QCoreApplication>

namespace velmo {

void endForUnusableData(const EditorServices& services, QWidget* parent)
{
    std::function<void()> end = services.endProgram;
    if (!end)
        end = [] { QCoreApplication::exit(1); };
    services.boxes.warn(parent, RecoverMissingRowText(services.run.DbPath), {}, end);
}

} // namespace velmo
