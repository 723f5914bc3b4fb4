#include "Form_Edit.h"

#include "controls/MessageBoxes.h"
#include "editor/MemoCodes.h"
#include "platform/Clock.h"
#include "platform/Html.h"
#include "platform/TuneCodes.h"
#include "store/Memo.h"
#include "store/RunState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velmo {

Form_Edit::Form_Edit(EditorServices services, QWidget* parent)
    : MemoEditorWindow(std::move(services), QStringLiteral("编辑备忘录"), QStringLiteral("Command6"), parent)
{
    setObjectName(QStringLiteral("Form_Edit"));
}

void Form_Edit::Form_Load()
{
    loadCommon();
}

bool Form_Edit::Command5_Click(MemoId id)
{
    const EditorMemoRead read = readEditorMemo(m_services.db, id, m_services.run.UserId);
    if (!read.ok) {
        m_services.boxes.warn(m_services.owner, QStringLiteral("备忘读取失败:") + read.error);
        return false;
    }
    if (!read.memo) {
        m_services.boxes.warn(m_services.owner, QStringLiteral("该备忘已被删除或不属于当前用户。"));
        return false;
    }
    showMemo(*read.memo, read.lunarAlert);
    m_loadedById = true;
    return true;
}

void Form_Edit::showMemo(const MemoRecord& memo, const std::optional<LunarMoment>& lunarAlert)
{
    m_memoId = memo.id;
    m_loadedSynnum = memo.synnum;

    const QDateTime now = Clock::currentDateTime();
    m_loadedLunarDate.reset();
    m_loadedLunarHint = QDateTime();
    if (memo.lifa == 1) {
        setCalendar(false);
        setMoment(memo.AlertTime.value_or(now));
    } else {
        setCalendar(true);
        if (lunarAlert) {
            // Kept as stored, also a day that no solar month has, unless the user changes it.
            m_loadedLunarDate = lunarAlert->date();
            m_loadedLunarHint = memo.mailTime.value_or(QDateTime());
            setLunarMoment(*lunarAlert);
        } else if (const auto lunarNow = LunarMoment::fromSolar(now)) {
            setLunarMoment(*lunarNow);
        } else {
            setMoment(now);
        }
    }
    m_check1->setChecked(memo.mimi);
    m_check2->setChecked(memo.importance);
    m_check3->setChecked(memo.Mail);
    m_label3->setText(QString::number(memo.id));
    m_text1->setText(memo.title);
    m_text2->setPlainText(RemoveHtml(memo.content));
    // Compared with what the box gives back, so that line breaks do not count as a change.
    m_loadedContent = m_text2->toPlainText();
    selectText(m_combo1, MemoCodes::categoryLabel(memo.type));
    if (const auto label = MemoCodes::repeatLabel(memo.AlertPinLv))
        selectText(m_combo2, *label);
    // An unknown or empty tune code leaves the list as it is.
    if (const QString label = tuneFileName(memo.sound); !label.isEmpty())
        selectText(m_combo3, label);
    // A memo without a custom tune shows none, not the path of a memo shown before.
    m_text3->setText(memo.DiySound);
    setCustomTune(!memo.DiySound.isEmpty());
    markLoaded();
}

void Form_Edit::focusFirstField()
{
    if (m_text3->isEnabled()) {
        m_text3->setFocus();
        m_text3->end(false);
    } else {
        m_text1->setFocus();
    }
}

SaveOutcome Form_Edit::save(const EditorInput& input)
{
    const SaveOutcome outcome =
        MemoSave(m_services.db, m_services.run, m_services.views).saveEdit(m_memoId, input, m_loadedSynnum);
    // Never written over: the window shows the memo as it is now, and the user is told.
    if (outcome.result == SaveOutcome::Result::Changed && m_loadedById)
        Command5_Click(m_memoId);
    return outcome;
}

} // namespace velmo
