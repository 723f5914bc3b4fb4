#pragma once

// The fields of one memo as the editors and the conflict windows show them: title, category, repeat
// rule, the solar or lunar reminder date with its time, content, the three options and the
// bind-mail button, and the tune row with its preview and custom tune. It loads a memo into its
// controls and reads them back; the window around it adds the buttons that save and leave.
//
//   auto* form = new velmo::MemoForm(services, QStringLiteral("Command6"), window);
//   form->loadLists();
//   form->showMemo(memo, lunarAlert);
//   ... save(form->input());

#include "editor/EditorServices.h"
#include "editor/MemoSave.h"
#include "lunar/LunarMoment.h"
#include "store/Memo.h"

#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace velmo {

class LunarDateEdit;
class PlainTextBox;

class MemoForm : public QWidget
{
    Q_OBJECT

public:
    // bindButtonName: the object name of the bind-mail button in the window that hosts the form.
    MemoForm(const EditorServices& services, const QString& bindButtonName, QWidget* parent);
    ~MemoForm() override;

    // The player, the lists with their first items and the mail option: the state before a memo.
    void loadLists();
    // Fills the controls with a stored memo, every field as stored; what it shows counts as loaded.
    void showMemo(const MemoRecord& memo, const std::optional<LunarMoment>& lunarAlert);
    // The defaults of a new memo: the reminder moment and the custom tune offered (none when empty).
    void showNewMemo(const QDateTime& moment, const QString& customTune);
    // Selects the category with exactly this label; any other text leaves the selection.
    void selectCategory(const QString& label);
    // The id row beside the title; a new memo has none.
    void hideMemoId();

    // What the controls hold, as the save reads it.
    EditorInput input() const;
    // The user changed something since the form was loaded (or last showed a stored memo).
    bool hasUnsavedInput() const { return input() != m_loadedInput; }
    // What the controls hold now counts as loaded: nothing is unsaved.
    void markLoaded() { m_loadedInput = input(); }
    // The body the memo's row holds now: the content box counts as changed when it shows another.
    void setStoredContent(const QString& content);

    bool previewPlaying() const;
    void stopPreview();
    // Check3 and the bind button as the account's mailbox stands now.
    void showMailOption();
    void focusTitle();
    // Where the focus goes when a stored memo is shown: the end of a custom tune's path, or the title.
    void focusFirstField();

public slots:
    // Browse for a custom tune.
    void Command3_Click();
    // Preview toggle: "试听" plays, "停止" stops.
    void Command4_Click();
    // Custom tune on or off.
    void Check4_Click();

signals:
    void bindMailClicked();

private:
    void setMoment(const QDateTime& moment);
    void setLunarMoment(const LunarMoment& moment);
    // Shows the solar or the lunar date picker; a switch by the user carries the date across.
    void setCalendar(bool lunar);
    void setCustomTune(bool on);
    void PlayRing(const QString& path);
    // A preview that cannot play: the button reads "试听" again and the user is told why, once.
    void previewFailed(TunePreview::Start why, const QString& path);

    EditorServices m_services;
    std::unique_ptr<TunePreview> m_player;
    QString m_previewPath;
    EditorInput m_loadedInput;
    QString m_loadedContent;
    // The stored lunar date of the memo shown and its solar moment.
    std::optional<LunarDate> m_loadedLunarDate;
    QDateTime m_loadedLunarHint;

    QLineEdit* m_text1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QComboBox* m_combo2 = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QDateEdit* m_dt1 = nullptr;
    LunarDateEdit* m_dt1Lunar = nullptr;
    QTimeEdit* m_dt2 = nullptr;
    PlainTextBox* m_text2 = nullptr;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_check2 = nullptr;
    QCheckBox* m_check3 = nullptr;
    QPushButton* m_bindButton = nullptr;
    QComboBox* m_combo3 = nullptr;
    QCheckBox* m_check4 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command4 = nullptr;
};

} // namespace velmo
