#pragma once

// The layout and the shared behaviour of the two memo editors: the fields of one memo, the tune
// row with its preview, and closing. The new-memo and the edit window add their loading and save.

#include "editor/EditorServices.h"
#include "editor/MemoSave.h"
#include "lunar/LunarMoment.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace velmo {

class LunarDateEdit;

class MemoEditorWindow : public QWidget
{
    Q_OBJECT

public:
    ~MemoEditorWindow() override;

    // What the controls hold, as the save reads it.
    EditorInput input() const;
    bool previewPlaying() const;
    // The user changed something since the window was loaded (or last showed a stored memo).
    bool hasUnsavedInput() const { return input() != m_loadedInput; }

public slots:
    // Save; the window closes when the memo was stored.
    void Command1_Click();
    // Exit without saving.
    void Command2_Click();
    // Browse for a custom tune.
    void Command3_Click();
    // Preview toggle: "试听" plays, "停止" stops.
    void Command4_Click();
    // Custom tune on or off.
    void Check4_Click();
    // The bind-mail button: the binding dialog opens; an editor without unsaved input closes first,
    // one with unsaved input stays open beside it.
    void bindMail_Click();

signals:
    void mailDialogRequested();

protected:
    // bindButtonName: "Command5" in the new-memo window, "Command6" in the edit window.
    MemoEditorWindow(EditorServices services, const QString& caption, const QString& bindButtonName,
                     QWidget* parent);

    // Lists, their first items, the player and the mail option: the part of the load both share.
    void loadCommon();
    virtual SaveOutcome save(const EditorInput& input) = 0;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Sets the pickers: the solar date and the time, or the lunar date and the time.
    void setMoment(const QDateTime& moment);
    void setLunarMoment(const LunarMoment& moment);
    // Shows the solar or the lunar date picker; a switch by the user carries the date across.
    void setCalendar(bool lunar);
    // What the controls hold now counts as loaded: nothing is unsaved.
    void markLoaded() { m_loadedInput = input(); }
    void setCustomTune(bool on);
    // Selects the item with exactly this text; any other text leaves the selection.
    static void selectText(QComboBox* combo, const QString& text);

    EditorServices m_services;
    std::unique_ptr<TunePreview> m_player;
    QString m_loadedContent;
    // The stored lunar date of the memo shown and its solar moment (edit windows).
    std::optional<LunarDate> m_loadedLunarDate;
    QDateTime m_loadedLunarHint;

    QLineEdit* m_text1 = nullptr;
    QLabel* m_label3 = nullptr; // the memo id (edit window)
    QComboBox* m_combo1 = nullptr;
    QComboBox* m_combo2 = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QDateEdit* m_dt1 = nullptr;
    LunarDateEdit* m_dt1Lunar = nullptr;
    QTimeEdit* m_dt2 = nullptr;
    QPlainTextEdit* m_text2 = nullptr;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_check2 = nullptr;
    QCheckBox* m_check3 = nullptr;
    QPushButton* m_bindButton = nullptr;
    QComboBox* m_combo3 = nullptr;
    QCheckBox* m_check4 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;

private:
    void PlayRing(const QString& path);
    void stopPreview();
    // Check3 and the bind button as the account's mailbox stands now.
    void showMailOption();
    // A preview that cannot play: the button reads "试听" again and the user is told why, once.
    void previewFailed(TunePreview::Start why, const QString& path);

    EditorInput m_loadedInput;
    QString m_previewPath;
};

} // namespace velmo
