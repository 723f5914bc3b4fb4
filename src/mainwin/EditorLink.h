#pragma once

// Ties the memo editors to the main window: the window's openers show them, and their saves bring
// the window's views up to date.

#include "editor/MemoViews.h"

#include <functional>

namespace velmo {

class EditorWindows;
class Form1;

// The main window's views as the editors' saves refresh them.
class MainWindowViews : public MemoViews
{
public:
    // restoreTrayIcon puts the tray icon's normal picture and tip back; may be empty.
    MainWindowViews(Form1& form, std::function<void()> restoreTrayIcon);

    void ReadUndo() override;
    void ReadCount() override;
    void TreeView1_Setup() override;
    void MoveRing(bool YesOrNo) override;
    void Command2_Click() override;
    void stopAlert() override;
    void switchOnTimer3() override;

private:
    Form1& m_form;
    std::function<void()> m_restoreTrayIcon;
};

// The toolbar, Ctrl+N, the tree's 新建备忘 and the list's 编辑, double-click and Enter open the editors.
void connectEditors(Form1& form, EditorWindows& editors);

} // namespace velmo
