#include "Form_Edit.h"

#include "controls/MessageBoxes.h"
#include "editor/MemoForm.h"
#include "editor/StaleMemo.h"
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
    m_loaded = read.value->memo;
    m_loadedSynnum = read.value->memo.synnum;
    form()->showMemo(read.value->memo, read.value->lunarAlert);
    return true;
}

SaveOutcome Form_Edit::save(const EditorInput& input)
{
    return MemoSave(m_services.db, m_services.run, m_services.views)
        .saveEdit(m_memoId, input, m_loadedSynnum);
}

QString Form_Edit::changedQuestionText(const QStringList& changes)
{
    return MemoSave::changedMeanwhileText() + u'\n' + changes.join(u'\n') +
           QStringLiteral("\n\n“保存我的修改”用您输入的内容覆盖新的内容;“载入新的内容”放弃您的修改;"
                          "“继续编辑”保留您输入的内容,暂不保存。");
}

void Form_Edit::changedMeanwhile(const SaveOutcome&)
{
    // The typing stays in the window until the user has chosen.
    const EditorMemoRead now = readEditorMemo(m_services.db, m_memoId, m_services.run.UserId);
    if (!now.ok || !now.value) {
        m_services.boxes.warn(this, now.ok ? MemoSave::memoGoneText()
                                           : MemoSave::writeFailedText() + u'\n' + now.error);
        return;
    }
    const MemoRecord newer = now.value->memo;
    QPointer<Form_Edit> self(this);
    m_services.boxes.choose(this, changedQuestionText(changesMeanwhile(m_loaded, newer)),
                            QStringLiteral("备忘已被修改"), changedQuestionButtons(),
                            [self, newer](int chosen) {
                                if (self)
                                    self->changedAnswered(chosen, newer);
                            });
}

void Form_Edit::changedAnswered(int chosen, const MemoRecord& newer)
{
    if (chosen == 0) {
        // Written over the newer row knowingly: the save expects its counter now, and the body the
        // window shows counts as typed when it differs from the newer one.
        m_loadedSynnum = newer.synnum;
        form()->setStoredContent(newer.content);
        saveThen({});
    } else if (chosen == 1) {
        Command5_Click(m_memoId);
    }
    // Going on editing keeps the typing and the window as they are.
}

void Form_Edit::memoGone(const SaveOutcome&, std::function<void(bool closed)> done)
{
    QPointer<Form_Edit> self(this);
    m_services.boxes.choose(this, MemoSave::keepAsNewText(), QStringLiteral("备忘已被删除"),
                            MemoSave::keepAsNewButtons(), [self, done](int chosen) {
                                if (!self)
                                    return;
                                bool closed = false;
                                if (chosen == 0) {
                                    closed = self->saveAsNew();
                                } else if (chosen == 1) {
                                    self->closeDiscarding();
                                    closed = true;
                                }
                                // Cancelled: the typing and the window stay as they are.
                                if (done)
                                    done(closed);
                            });
}

bool Form_Edit::saveAsNew()
{
    EditorInput input = form()->input();
    // A body left as loaded is kept as it was stored, markup and all.
    if (!input.contentChanged)
        input.content = m_loaded.content;
    return finishSave(MemoSave(m_services.db, m_services.run, m_services.views).saveAsNew(input));
}

} // namespace velmo
