#include "Form_Ring.h"

#include "controls/MessageBoxes.h"
#include "controls/PlainTextBox.h"
#include "controls/kvbutton/KvButton.h"
#include "controls/kvbutton/KvButtonDesign.h"
#include "platform/Clock.h"
#include "platform/Html.h"
#include "reminders/RingActions.h"
#include "store/ReminderQueries.h"
#include "store/RunState.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velmo {

namespace {

// Button(0) to Button(4), in the order of the actions' indexes.
constexpr KvButtonDesign buttons[5] = {
    {u"删   除", "button-delete", 0}, {u"关闭铃声", "button-ring-off", 4}, {u"编辑备忘", "button-edit", 0},
    {u"标记完成", "button-done", 4},  {u"延时提醒", "button-snooze", 4},
};
// 2355 x 820 HIMETRIC.
constexpr QSize ButtonSize(89, 31);

const QString goneText = QStringLiteral("该备忘已被删除或已完成,无法再操作。");

} // namespace

Form_Ring::Form_Ring(Services services, MemoId memoId, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_services(std::move(services))
    , m_id(memoId)
    , m_actions(std::make_unique<RingActions>(m_services.db, m_services.run, m_services.loginRingFlag))
{
    setObjectName(QStringLiteral("Form_Ring"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("备忘提醒"));
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("LabelTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_title->setFont(bold);
    m_title->setWordWrap(true);
    // The memo's own texts are shown as they are, never as markup.
    m_title->setTextFormat(Qt::PlainText);
    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("LabelDetails"));
    m_details->setTextFormat(Qt::PlainText);
    m_content = new PlainTextBox(this);
    m_content->setReadOnly(true);
    m_content->setObjectName(QStringLiteral("TextContent"));
    layout->addWidget(m_title);
    layout->addWidget(m_details);
    layout->addWidget(m_content, 1);

    auto* row = new QHBoxLayout;
    for (int index = 0; index < 5; ++index) {
        auto* button = new KvButton(programButton(buttons[index], m_services.assets), this, index);
        button->setObjectName(QStringLiteral("Button_%1").arg(index));
        button->setFixedSize(ButtonSize);
        connect(button, &KvButton::Click, this, &Form_Ring::Button_Click);
        row->addWidget(button);
    }
    layout->addLayout(row);
    resize(540, 320);
}

Form_Ring::~Form_Ring() = default;

bool Form_Ring::load()
{
    const RingMemoRead read = readRingMemo(m_services.db, m_services.run.UserId, m_id);
    if (!read.ok || !read.value) {
        m_services.boxes.warn(parentWidget(),
                              read.ok ? goneText : QStringLiteral("备忘读取失败:") + read.error);
        return false;
    }
    const RingMemo& memo = *read.value;
    m_title->setText(memo.title);
    const QString category = m_services.categoryName ? m_services.categoryName(memo.type) : QString();
    const QString repeat = m_services.repeatLabel ? m_services.repeatLabel(memo.repeatCode) : memo.repeatCode;
    m_details->setText(QStringLiteral("%1  %2:%3  %4")
                           .arg(category, memo.lunar ? QStringLiteral("农历") : QStringLiteral("公历"),
                                memo.moment, repeat));
    m_content->showText(RemoveHtml(memo.content));
    return true;
}

void Form_Ring::Button_Click(int Index)
{
    const QDateTime now = Clock::currentDateTime();
    switch (Index) {
    case Delete:
        finish(m_actions->deleteMemo(m_id));
        break;
    case StopRinging:
        finish(m_actions->stopRinging(m_id, now));
        break;
    case Done:
        finish(m_actions->markDone(m_id));
        break;
    case Snooze:
        finish(m_actions->snooze(m_id, now));
        break;
    case Edit:
        emit editRequested(m_id);
        close();
        break;
    default:
        break;
    }
}

void Form_Ring::finish(const RingOutcome& outcome)
{
    if (!outcome) {
        m_services.boxes.warn(this, QStringLiteral("备忘保存失败,未作改动。\n") + outcome.error);
        return;
    }
    switch (outcome.effect) {
    case RingOutcome::Effect::Changed:
        emit acted(m_id);
        break;
    case RingOutcome::Effect::Gone:
        m_services.boxes.warn(parentWidget(), goneText);
        emit memoGone(m_id);
        break;
    case RingOutcome::Effect::Unchanged:
        // Nothing to change: nothing is rescanned, refreshed or sent.
        break;
    }
    close();
}

} // namespace velmo
