#include "EditorWindows.h"

#include "editor/Form_Add.h"
#include "editor/Form_Edit.h"
#include "editor/MailDialog.h"
#include "editor/MemoForm.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace velmo {

namespace {

// How many times a window of the editors was brought forward: one brought forward after an editor
// closed has the focus, which the editor then leaves to it.
int windowsBroughtForward = 0;

// Gives the focus back to the window an editor was opened from once the editor closes; left to
// itself the desktop hands it to whichever window it likes, such as the assistant figure, which
// takes no keys. Without that window (closed or hidden meanwhile) the main window takes it.
class FocusReturn : public QObject
{
public:
    // Notes the window active now as the one the editor came from.
    static void noteOpener(QWidget* editor, QWidget* mainWindow)
    {
        const QString name = QStringLiteral("FocusReturn");
        auto* focus =
            static_cast<FocusReturn*>(editor->findChild<QObject*>(name, Qt::FindDirectChildrenOnly));
        if (!focus) {
            focus = new FocusReturn(editor);
            focus->setObjectName(name);
            editor->installEventFilter(focus);
        }
        QWidget* active = QApplication::activeWindow();
        if (active && active != editor)
            focus->m_opener = active;
        focus->m_mainWindow = mainWindow;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // Closed (or hidden by the program), not minimised by the desktop.
        if (event->type() != QEvent::Hide || event->spontaneous())
            return false;
        QWidget* back = m_opener && m_opener->isVisible() ? m_opener.data() : m_mainWindow.data();
        if (back && back->isVisible() && !back->isMinimized()) {
            // After the desktop has done with the closing window. A window opened meanwhile (the
            // mail binding dialog) keeps the focus; a tool window such as the figure does not.
            QTimer::singleShot(0, back, [back, seen = windowsBroughtForward] {
                const QWidget* active = QApplication::activeWindow();
                if (seen == windowsBroughtForward &&
                    (!active || !active->isVisible() || active->windowType() == Qt::Tool))
                    back->activateWindow();
            });
        }
        return false;
    }

private:
    explicit FocusReturn(QObject* parent)
        : QObject(parent)
    {
    }

    QPointer<QWidget> m_opener;
    QPointer<QWidget> m_mainWindow;
};

} // namespace

EditorWindows::EditorWindows(EditorServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
}

EditorWindows::~EditorWindows()
{
    for (QWidget* window :
         {static_cast<QWidget*>(m_add), static_cast<QWidget*>(m_edit), static_cast<QWidget*>(m_mail)})
        delete window;
}

Form_Add* EditorWindows::addWindow() const
{
    return m_add;
}

Form_Edit* EditorWindows::editWindow() const
{
    return m_edit;
}

MailDialog* EditorWindows::mailDialog() const
{
    return m_mail;
}

template <typename Window>
void EditorWindows::forgetClosed(QPointer<Window>& window)
{
    // A window closed in this turn of the event loop is deleted at its end: never shown again.
    if (window && !window->isVisible())
        window = nullptr;
}

void EditorWindows::bringForward(QWidget* window) const
{
    ++windowsBroughtForward;
    if (window != m_mail)
        FocusReturn::noteOpener(window, m_services.owner);
    const bool opening = !window->isVisible();
    window->show();
    if (opening && m_services.owner && m_services.owner->isVisible()) {
        // A window opened anew appears over the main window, not in a corner of the screen.
        QRect frame = window->frameGeometry();
        frame.moveCenter(m_services.owner->frameGeometry().center());
        window->move(frame.topLeft());
    }
    window->raise();
    window->activateWindow();
}

void EditorWindows::showAdd(const QString& categoryPreset)
{
    forgetClosed(m_add);
    const bool fresh = !m_add;
    if (fresh) {
        auto* window = new Form_Add(m_services);
        if (!window->Form_Load()) {
            delete window;
            return;
        }
        connect(window, &MemoEditorWindow::mailDialogRequested, this, &EditorWindows::showMailDialog);
        m_add = window;
    }
    m_add->applyPreset(categoryPreset);
    bringForward(m_add);
    if (fresh)
        m_add->form()->focusTitle();
}

void EditorWindows::showEdit(MemoId id)
{
    forgetClosed(m_edit);
    if (m_edit && m_edit->memoId() != id && m_edit->holdsUnsavedInput()) {
        // Another memo takes the window only once the typing in it has been saved or left.
        QPointer<EditorWindows> self(this);
        m_edit->closeAfterAsking([self, id](bool closed) {
            if (self && closed)
                self->showEdit(id);
        });
        return;
    }
    if (m_edit && m_edit->memoId() == id) {
        if (!m_edit->form()->hasUnsavedInput() && !m_edit->Command5_Click(id)) {
            m_edit->close();
            return;
        }
        bringForward(m_edit);
        return;
    }
    const bool fresh = !m_edit;
    if (fresh) {
        m_edit = new Form_Edit(m_services);
        m_edit->Form_Load();
        connect(m_edit, &MemoEditorWindow::mailDialogRequested, this, &EditorWindows::showMailDialog);
    }
    if (!m_edit->Command5_Click(id)) {
        if (fresh)
            delete m_edit;
        return;
    }
    bringForward(m_edit);
    m_edit->form()->focusFirstField();
}

void EditorWindows::showMailDialog()
{
    if (!m_mail)
        m_mail = new MailDialog(m_services);
    bringForward(m_mail);
}

} // namespace velmo
