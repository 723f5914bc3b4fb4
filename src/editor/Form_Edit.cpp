#include "Form_Edit.h"

#include "controls/MessageBoxes.h"
#include "editor/MemoForm.h"
#include "store/Memo.h"
#include "store/RunState.h"

namespace velmo {

Form_Edit::Form_Edit(EditorServices services, QWidget* parent)
    : MemoEditorWindow(services, QStringLiteral("编辑备忘录"), QStringLiteral("Command6"), parent)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form_Edit"));
    addButtons(QStringLiteral("保 存(&S)"), true);
    setAsksBeforeClosing(true);
}

void Form_Edit::Form_Load()
{
    form()->loadLists();
}

bool Form_Edit::Command5_Click(MemoId id)
{
    const EditorMemoRead read = readEditorMemo(m_services.db, id, m_services.run.UserId);
    if (!read.ok) {
        m_services.boxes.warn(m_services.owner, QStringLiteral("备忘读取失败:") + read.error);
        return false;
    }
    if (!read.value) {
        m_services.boxes.warn(m_services.owner, QStringLiteral("该备忘已被删除或不属于当前用户。"));
        return false;
    }
    m_memoId = read.value->memo.id;
    m_loadedSynnum = read.value->memo.synnum;
    form()->showMemo(read.value->memo, read.value->lunarAlert);
    return true;
}

SaveOutcome Form_Edit::save(const EditorInput& input)
{
    const SaveOutcome outcome =
        MemoSave(m_services.db, m_services.run, m_services.views).saveEdit(m_memoId, input, m_loadedSynnum);
    // Never written over: the window shows the memo as it is now, and the user is told.
    if (outcome.result == SaveOutcome::Result::Changed)
        Command5_Click(m_memoId);
    return outcome;
}

} // namespace velmo
