#include "EditorLink.h"

#include "editor/EditorWindows.h"
#include "mainwin/Form1.h"

#include <QTimer>

namespace velmo {

MainWindowViews::MainWindowViews(Form1& form, std::function<void()> restoreTrayIcon)
    : m_form(form)
    , m_restoreTrayIcon(std::move(restoreTrayIcon))
{
}

void MainWindowViews::ReadUndo()
{
    m_form.ReadUndo();
}

void MainWindowViews::ReadCount()
{
    m_form.ReadCount();
}

void MainWindowViews::TreeView1_Setup()
{
    m_form.TreeView1_Setup();
}

void MainWindowViews::MoveRing(bool YesOrNo)
{
    m_form.MoveRing(YesOrNo);
}

void MainWindowViews::Command2_Click()
{
    m_form.Command2_Click();
}

void MainWindowViews::stopAlert()
{
    m_form.Timer2()->stop();
    if (m_restoreTrayIcon)
        m_restoreTrayIcon();
}

void MainWindowViews::switchOnTimer3()
{
    m_form.switchOnTimer3();
}

void connectEditors(Form1& form, EditorWindows& editors)
{
    QObject::connect(&form, &Form1::newMemoRequested, &editors, &EditorWindows::showAdd);
    QObject::connect(&form, &Form1::editMemoRequested, &editors,
                     [&editors](MemoId id) { editors.showEdit(id); });
}

} // namespace velmo
