#include "EditorLink.h"

#include "editor/EditorWindows.h"
#include "mainwin/Form1.h"

namespace velmo {

void connectEditors(Form1& form, EditorWindows& editors)
{
    QObject::connect(&form, &Form1::newMemoRequested, &editors, &EditorWindows::showAdd);
    QObject::connect(&form, &Form1::editMemoRequested, &editors,
                     [&editors](MemoId id) { editors.showEdit(id); });
}

} // namespace velmo
