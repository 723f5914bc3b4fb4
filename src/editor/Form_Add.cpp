#include "Form_Add.h"

#include "editor/MemoForm.h"
#include "platform/Clock.h"
#include "store/RunState.h"
#include "store/Settings.h"

namespace velmo {

Form_Add::Form_Add(EditorServices services, QWidget* parent)
    : MemoEditorWindow(services, QStringLiteral("新建备忘录"), QStringLiteral("Command5"), parent)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form_Add"));
    form()->hideMemoId();
    addButtons(QStringLiteral("保 存(&S)"), true);
    setAsksBeforeClosing(true);
}

bool Form_Add::Form_Load()
{
    form()->loadLists();
    const ConfigRead config = readConfig(m_services.db);
    if (!config.value) {
        endForUnusableData(m_services, m_services.owner);
        return false;
    }
    // Five minutes ahead as a whole moment: after 23:55 that is tomorrow.
    form()->showNewMemo(Clock::currentDateTime().addSecs(5 * 60), config.value->DiySound);
    return true;
}

void Form_Add::applyPreset(const QString& tag)
{
    if (tag.isEmpty() || tag == QStringLiteral("已完成备") || tag == QStringLiteral("进行中备"))
        return;
    // The preset is no input of the user's: an untouched window stays untouched.
    const bool untouched = !form()->hasUnsavedInput();
    form()->selectCategory(tag);
    if (untouched)
        form()->markLoaded();
}

SaveOutcome Form_Add::save(const EditorInput& input)
{
    return MemoSave(m_services.db, m_services.run, m_services.views).saveNew(input);
}

} // namespace velmo
