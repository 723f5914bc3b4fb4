#include "MemoEditorWindow.h"

#include "controls/MessageBoxes.h"
#include "editor/MemoForm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace velmo {

MemoEditorWindow::MemoEditorWindow(const EditorServices& services, const QString& caption,
                                   const QString& bindButtonName, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_boxes(services.boxes)
    , m_owner(services.owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    m_rows = new QVBoxLayout(this);
    m_form = new MemoForm(services, bindButtonName, this);
    m_rows->addWidget(m_form, 1);
    connect(m_form, &MemoForm::bindMailClicked, this, &MemoEditorWindow::bindMail_Click);

    // Esc closes the window without saving, wherever the focus is.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
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

void MemoEditorWindow::Command2_Click()
{
    close();
}

void MemoEditorWindow::closeEvent(QCloseEvent* event)
{
    // However the window closes, its preview ends with it.
    m_form->stopPreview();
    QWidget::closeEvent(event);
}

void MemoEditorWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc that no control took closes the window, also where no shortcut reaches (no active window).
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
    const SaveOutcome outcome = save(m_form->input());
    if (!outcome.saved()) {
        m_boxes.warn(this, outcome.message);
        if (outcome.focusTitle)
            m_form->focusTitle();
        return;
    }
    if (!outcome.notice.isEmpty())
        m_boxes.warn(m_owner, outcome.notice);
    close();
}

} // namespace velmo
