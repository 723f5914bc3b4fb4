#pragma once

#include "editor/MemoEditorWindow.h"

namespace velmo {

// The new-memo window ("新建备忘录"): a memo in progress until it is saved, with the category of
// the tree node last chosen, a reminder five minutes ahead and the last custom tune offered.
class Form_Add : public MemoEditorWindow
{
    Q_OBJECT

public:
    explicit Form_Add(EditorServices services, QWidget* parent = nullptr);

    // Lists and defaults. False when the settings row cannot be read: the user has been told and
    // the program ends.
    bool Form_Load();
    // The category preset: the first four characters of the tree node last chosen. A category
    // label selects it; the two state nodes, an empty text and any other text change nothing.
    void applyPreset(const QString& tag);

protected:
    SaveOutcome save(const EditorInput& input) override;

private:
    EditorServices m_services;
};

} // namespace velmo
