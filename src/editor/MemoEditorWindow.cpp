#include "MemoEditorWindow.h"

#include "controls/MessageBoxes.h"
#include "editor/MemoForm.h"
#include "store/RunState.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace velmo {

MemoEditorWindow::MemoEditorWindow(const EditorServices& services, const QString& caption,
                                   const QString& bindButtonName, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_boxes(services.boxes)
    , m_run(services.run)
    , m_owner(services.owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    m_rows = new QVBoxLayout(this);
    m_form = new MemoForm(services, bindButtonName, this);
    m_rows->addWidget(m_form, 1);
    connect(m_form, &MemoForm::bindMailClicked, this, &MemoEditorWindow::bindMail_Click);
    resize(560, 480);
}

MemoEditorWindow::~MemoEditorWindow() = default;

void MemoEditorWindow::addButtons(const QString& saveCaption, bool exitButton)
{
    auto* buttons = new QHBoxLayout;
    auto* command1 = new QPushButton(saveCaption, this);
    command1->setObjectName(QStringLiteral("Command1"));
    buttons->addStretch();
    buttons->addWidget(command1);
    connect(command1, &QPushButton::clicked, this, &MemoEditorWindow::Command1_Click);
    if (exitButton) {
        auto* command2 = new QPushButton(QStringLiteral("退 出(&X)"), this);
        command2->setObjectName(QStringLiteral("Command2"));
        buttons->addWidget(command2);
        connect(command2, &QPushButton::clicked, this, &MemoEditorWindow::Command2_Click);
    }
    buttons->addStretch();
    m_rows->addLayout(buttons);
}

void MemoEditorWindow::addRow(QWidget* row)
{
    m_rows->addWidget(row);
}

void MemoEditorWindow::changeEvent(QEvent* event)
{
    // A mailbox bound meanwhile (in the dialog beside this window) makes the mail option available.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_form->showMailOption();
    QWidget::changeEvent(event);
}

bool MemoEditorWindow::holdsUnsavedInput() const
{
    return m_asksBeforeClosing && !m_discarding && m_form->hasUnsavedInput();
}

void MemoEditorWindow::Command2_Click()
{
    close();
}

void MemoEditorWindow::closeEvent(QCloseEvent* event)
{
    // The program's quit has asked already.
    if (holdsUnsavedInput() && !m_run.Exiting) {
        event->ignore();
        askBeforeClosing();
        return;
    }
    // However the window closes, its preview ends with it.
    m_form->stopPreview();
    QWidget::closeEvent(event);
}

void MemoEditorWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc that no control took closes the window, wherever the focus is. An open list or calendar
    // takes its own Esc and only closes itself.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MemoEditorWindow::closeAfterAsking(std::function<void(bool closed)> done)
{
    if (!holdsUnsavedInput()) {
        const bool closed = close();
        if (done)
            done(closed);
        return;
    }
    showNormal();
    raise();
    activateWindow();
    m_afterQuestion = std::move(done);
    askBeforeClosing();
}

void MemoEditorWindow::askBeforeClosing()
{
    // One question at a time: a second Esc or close while it is open asks nothing more.
    if (m_asking)
        return;
    m_asking = true;
    QPointer<MemoEditorWindow> self(this);
    m_boxes.choose(
        this, unsavedQuestionText(windowTitle()), {}, unsavedQuestionButtons(), [self](int chosen) {
            if (!self)
                return;
            self->m_asking = false;
            const auto done = [after = std::exchange(self->m_afterQuestion, nullptr)](bool closed) {
                if (after)
                    after(closed);
            };
            if (chosen == 0) {
                self->saveThen(done);
            } else if (chosen == 1) {
                self->closeDiscarding();
                done(true);
            } else {
                done(false);
            }
        });
}

void MemoEditorWindow::closeDiscarding()
{
    m_discarding = true;
    close();
}

void MemoEditorWindow::bindMail_Click()
{
    // What the user typed is never thrown away for the dialog: such a window stays open beside it.
    if (!m_form->hasUnsavedInput())
        close();
    emit mailDialogRequested();
}

void MemoEditorWindow::Command1_Click()
{
    saveThen({});
}

void MemoEditorWindow::saveThen(std::function<void(bool closed)> done)
{
    const SaveOutcome outcome = save(m_form->input());
    if (outcome.memoGone) {
        memoGone(outcome, std::move(done));
        return;
    }
    const bool closed = finishSave(outcome);
    if (done)
        done(closed);
}

void MemoEditorWindow::memoGone(const SaveOutcome& outcome, std::function<void(bool closed)> done)
{
    const bool closed = finishSave(outcome);
    if (done)
        done(closed);
}

bool MemoEditorWindow::finishSave(const SaveOutcome& outcome)
{
    if (outcome.result == SaveOutcome::Result::Changed) {
        changedMeanwhile(outcome);
        return false;
    }
    if (!outcome.saved()) {
        m_boxes.warn(this, outcome.message);
        if (outcome.focusTitle)
            m_form->focusTitle();
        return false;
    }
    if (!outcome.notice.isEmpty())
        m_boxes.warn(m_owner, outcome.notice);
    // Stored: nothing is left to ask about.
    closeDiscarding();
    return true;
}

void MemoEditorWindow::changedMeanwhile(const SaveOutcome& outcome)
{
    m_boxes.warn(this, outcome.message);
}

} // namespace velmo
