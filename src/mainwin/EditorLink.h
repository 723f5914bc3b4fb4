#pragma once

// Ties the memo editors to the main window: the window's openers show them. Their saves reach the
// window's views through its controller (a MemoViews).

namespace velmo {

class EditorWindows;
class Form1;

// The toolbar, Ctrl+N, the tree's 新建备忘 and the list's 编辑, double-click and Enter open the editors.
void connectEditors(Form1& form, EditorWindows& editors);

} // namespace velmo
