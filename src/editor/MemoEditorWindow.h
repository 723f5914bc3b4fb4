#pragma once

// A window around one memo form: the two editors and the two conflict windows. It holds the form,
// runs the save of Command1 and the ways out (Esc, the close box, the bind-mail button); each window
// adds its own buttons and rows below the form, and its own save.

#include "editor/EditorServices.h"
#include "editor/MemoSave.h"

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace velmo {

class MemoForm;

class MemoEditorWindow : public QWidget
{
    Q_OBJECT

public:
    ~MemoEditorWindow() override;

    MemoForm* form() const { return m_form; }

public slots:
    // Save; the window closes when the memo was stored.
    void Command1_Click();
    // Exit without saving.
    void Command2_Click();
    // The bind-mail button: the binding dialog opens; a window without unsaved input closes first,
    // one with unsaved input stays open beside it.
    void bindMail_Click();

signals:
    void mailDialogRequested();

protected:
    // bindButtonName: the object name of the form's bind-mail button in this window.
    MemoEditorWindow(const EditorServices& services, const QString& caption, const QString& bindButtonName,
                     QWidget* parent);

    // The save button Command1 with this caption, and the exit button Command2 when asked for,
    // side by side in the middle of a row below the form.
    void addButtons(const QString& saveCaption, bool exitButton);
    // A row across the window, below the rows before it.
    void addRow(QWidget* row);
    virtual SaveOutcome save(const EditorInput& input) = 0;

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    MessageBoxes& m_boxes;
    // The window that outlives this one: notices shown after a save belong to it.
    QPointer<QWidget> m_owner;
    MemoForm* m_form = nullptr;
    QVBoxLayout* m_rows = nullptr;
};

} // namespace velmo
