#include "Form_Add.h"

#include "platform/Clock.h"
#include "store/RunState.h"
#include "store/Settings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace velmo {

Form_Add::Form_Add(EditorServices services, QWidget* parent)
    : MemoEditorWindow(std::move(services), QStringLiteral("新建备忘录"), QStringLiteral("Command5"), parent)
{
    setObjectName(QStringLiteral("Form_Add"));
    findChild<QWidget*>(QStringLiteral("Label2"))->hide();
    m_label3->hide();
}

bool Form_Add::Form_Load()
{
    loadCommon();
    // Five minutes ahead as a whole moment: after 23:55 that is tomorrow.
    const QDateTime now = Clock::currentDateTime();
    setMoment(now.addSecs(5 * 60));

    const ConfigRead config = readConfig(m_services.db);
    if (!config.value) {
        endForUnusableData(m_services, m_services.owner);
        return false;
    }
    if (!config.value->DiySound.isEmpty()) {
        m_text3->setText(config.value->DiySound);
        setCustomTune(true);
    }
    markLoaded();
    return true;
}

void Form_Add::applyPreset(const QString& tag)
{
    if (tag.isEmpty() || tag == QStringLiteral("已完成备") || tag == QStringLiteral("进行中备"))
        return;
    // The preset is no input of the user's: an untouched window stays untouched.
    const bool untouched = !hasUnsavedInput();
    selectText(m_combo1, tag);
    if (untouched)
        markLoaded();
}

SaveOutcome Form_Add::save(const EditorInput& input)
{
    return MemoSave(m_services.db, m_services.run, m_services.views).saveNew(input);
}

} // namespace velmo
