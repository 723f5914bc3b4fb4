#pragma once

// A window around one memo form: the two editors and the two conflict windows. It holds the form,
// runs the save of Command1 and the ways out (Esc, the close box, the exit and bind-mail buttons);
// each window adds its own buttons and rows below the form, and its own save. A memo editor never
// throws typed input away unasked: however it is closed, it asks first whether to save it.

#include "editor/EditorServices.h"
#include "editor/MemoSave.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace velmo {

class MemoForm;

class MemoEditorWindow : public QWidget
{
    Q_OBJECT

public:
    ~MemoEditorWindow() override;

    MemoForm* form() const { return m_form; }

    // Closing now would ask: the window asks before closing and its form holds unsaved input.
    bool holdsUnsavedInput() const;
    // Closes the window; one holding unsaved input is brought forward and asks first. done(true)
    // once it has closed (saved, or left unsaved by the user's choice), done(false) when it stays.
    void closeAfterAsking(std::function<void(bool closed)> done = {});

    // The question before unsaved input is left, and its buttons: save, leave, stay.
    static QString unsavedQuestionText(const QString& caption)
    {
        return QStringLiteral("您在“%1”中输入的内容尚未保存,是否保存?").arg(caption);
    }
    static QStringList unsavedQuestionButtons()
    {
        return {QStringLiteral("保存"), QStringLiteral("不保存"), QStringLiteral("取消")};
    }

public slots:
    // Save; the window closes when the memo was stored.
    void Command1_Click();
    // Exit without saving (after the question, when input is unsaved).
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
    // Unsaved input makes the window ask before it closes (the memo editors; off by default).
    void setAsksBeforeClosing(bool asks) { m_asksBeforeClosing = asks; }
    virtual SaveOutcome save(const EditorInput& input) = 0;
    // Saves; done(true) once the memo was stored and the window closed (or the user chose to leave
    // the input), done(false) while the window stays: at once, or after a question the save asks.
    void saveThen(std::function<void(bool closed)> done);
    // What follows a save: a refusal or failure told (the window stays), or the notice and the
    // close. True when the window closed.
    bool finishSave(const SaveOutcome& outcome);
    // The save found the memo changed since the window loaded it; by default the user is told.
    virtual void changedMeanwhile(const SaveOutcome& outcome);
    // The save found the memo gone; by default the user is told, and the window stays. done as
    // for saveThen.
    virtual void memoGone(const SaveOutcome& outcome, std::function<void(bool closed)> done);
    // Closes without a question, whatever the form holds.
    void closeDiscarding();
    MessageBoxes& boxes() const { return m_boxes; }

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void askBeforeClosing();

    MessageBoxes& m_boxes;
    const RunState& m_run;
    // The window that outlives this one: notices shown after a save belong to it.
    QPointer<QWidget> m_owner;
    MemoForm* m_form = nullptr;
    QVBoxLayout* m_rows = nullptr;
    bool m_asksBeforeClosing = false;
    bool m_discarding = false;
    bool m_asking = false;
    // Told once the question before closing has been answered.
    std::function<void(bool closed)> m_afterQuestion;
};

} // namespace velmo
