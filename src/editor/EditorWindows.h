#pragma once

#include "editor/EditorServices.h"
#include "store/MemoId.h"

#include <QObject>
#include <QPointer>

namespace velmo {

class Form_Add;
class Form_Edit;
class MailDialog;

// Opens the memo editors and the mail binding dialog: each a single modeless window, brought
// forward when it is open already. A closed window is gone; the next opening loads it anew.
class EditorWindows : public QObject
{
    Q_OBJECT

public:
    explicit EditorWindows(EditorServices services, QObject* parent = nullptr);
    ~EditorWindows() override;

    // The open windows; nullptr when closed.
    Form_Add* addWindow() const;
    Form_Edit* editWindow() const;
    MailDialog* mailDialog() const;

public slots:
    // The new-memo window with the category preset of the tree node last chosen; input already
    // typed stays. Nothing opens when the settings row cannot be read (the program then ends).
    void showAdd(const QString& categoryPreset);
    // The edit window on this memo: loaded when it shows another memo or is new. On the same memo
    // it keeps the user's unsaved changes; without any it shows the memo as it is now (and closes
    // when the memo is gone). Unsaved changes of another memo are saved or left first, as the
    // user answers; a user who goes back to them keeps that memo in the window.
    void showEdit(MemoId id);
    void showMailDialog();

private:
    void bringForward(QWidget* window) const;
    template <typename Window>
    static void forgetClosed(QPointer<Window>& window);

    EditorServices m_services;
    QPointer<Form_Add> m_add;
    QPointer<Form_Edit> m_edit;
    QPointer<MailDialog> m_mail;
};

} // namespace velmo
