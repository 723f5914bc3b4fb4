#pragma once

#include "editor/MemoEditorWindow.h"
#include "store/Memo.h"

namespace velmo {

// The edit window ("编辑备忘录"): one stored memo of the signed-in user, shown as stored when it
// is loaded; unsaved changes stay while the user works in other windows. The save writes only the
// row as it was loaded: when it changed meanwhile, the user sees what changed and chooses to keep
// what they typed over it, to take the newer memo, or to go on editing; when it was deleted, to
// keep what they typed as a new memo, to leave it, or to go on editing.
class Form_Edit : public MemoEditorWindow
{
    Q_OBJECT

public:
    explicit Form_Edit(EditorServices services, QWidget* parent = nullptr);

    // Lists and the mail option; the memo comes with Command5_Click.
    void Form_Load();
    // Loads the memo into the controls and makes it the memo the save writes, by its id; the save
    // checks that the row still carries the memo's change counter (synnum). False, the controls
    // unchanged and the user told, when the user has no such memo or it cannot be read.
    bool Command5_Click(MemoId id);
    // The memo shown; 0 before one was loaded.
    MemoId memoId() const { return m_memoId; }

    // The question when the memo changed meanwhile, and its buttons: keep mine, take the newer
    // memo, go on editing.
    static QString changedQuestionText(const QStringList& changes);
    static QStringList changedQuestionButtons()
    {
        return {QStringLiteral("保存我的修改"), QStringLiteral("载入新的内容"), QStringLiteral("继续编辑")};
    }

protected:
    SaveOutcome save(const EditorInput& input) override;
    void changedMeanwhile(const SaveOutcome& outcome) override;
    // The memo was deleted meanwhile (here, by a synchronisation or from the list): the typing is
    // offered as a new memo, left, or kept in the window.
    void memoGone(const SaveOutcome& outcome, std::function<void(bool closed)> done) override;

private:
    // Adds what the window holds as a new memo and closes; true when it did.
    bool saveAsNew();
    // The answer to the question of changedMeanwhile: 0 keep mine, 1 take the newer memo, 2 go on.
    void changedAnswered(int chosen, const MemoRecord& newer);

    EditorServices m_services;
    MemoId m_memoId = 0;
    // The row as the window loaded it; its change counter is the one the save expects.
    MemoRecord m_loaded;
    int m_loadedSynnum = 0;
};

} // namespace velmo
