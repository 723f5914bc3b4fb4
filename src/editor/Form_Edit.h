#pragma once

#include "editor/MemoEditorWindow.h"

namespace velmo {

// The edit window ("编辑备忘录"): one stored memo of the signed-in user, shown as stored when it
// is loaded; unsaved changes stay while the user works in other windows. The save writes only the
// row as it was loaded: when it changed meanwhile, the user is told and the window shows it anew.
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

protected:
    SaveOutcome save(const EditorInput& input) override;

private:
    EditorServices m_services;
    MemoId m_memoId = 0;
    int m_loadedSynnum = 0;
};

} // namespace velmo
