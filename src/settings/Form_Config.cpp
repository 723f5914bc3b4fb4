#include "Form_Config.h"

#include "controls/ClickLabel.h"
#include "controls/MessageBoxes.h"
#include "controls/WindowPlace.h"
#include "store/Recovery.h"
#include "store/RunState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmo {

QPointer<Form_Config> Form_Config::s_open;

namespace {

// The caption of each check box, by its number.
const std::array<const char*, 10> CheckCaptions = {
    "",
    "开机自启动",
    "自动检测软件新版本",
    "启动后自动隐藏到系统托盘处",
    "音乐铃声",
    "右下角气泡",
    "美眉助手",
    "图标闪烁",
    "保存登录密码",
    "自动登录",
};

QLabel* heading(const QString& text, const QString& name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QPushButton* button(const QString& text, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

Form_Config::Form_Config(Database& db, RunState& state, Autostart& autostart, MessageBoxes& boxes,
                         std::function<void()> endProgram, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_settings(db, state, autostart)
    , m_state(state)
    , m_boxes(boxes)
    , m_endProgram(endProgram ? std::move(endProgram) : [] { QCoreApplication::exit(1); })
{
    setObjectName(QStringLiteral("Form_Config"));
    setWindowTitle(QStringLiteral("高级选项"));

    m_ok = button(QStringLiteral("确定"), QStringLiteral("Command1"), this);
    m_cancel = button(QStringLiteral("取消"), QStringLiteral("Command2"), this);
    m_apply = button(QStringLiteral("应用"), QStringLiteral("Command3"), this);

    std::array<QHBoxLayout*, 10> rows{};
    for (int i = 1; i <= 9; ++i) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("Check%1").arg(i));
        auto* caption = new ClickLabel(QString::fromUtf8(CheckCaptions[i]), this);
        caption->setObjectName(QStringLiteral("Label%1").arg(i));
        connect(caption, &ClickLabel::clicked, box, [box] { box->setChecked(!box->isChecked()); });
        connect(box, &QCheckBox::toggled, this, &Form_Config::EnableApply);
        m_check[i] = box;
        rows[i] = new QHBoxLayout;
        rows[i]->setSpacing(2);
        rows[i]->addWidget(box);
        rows[i]->addWidget(caption);
        rows[i]->addStretch();
    }
    // No stored value stands behind this box: it opens ticked every time.
    m_check[2]->setChecked(true);

    m_interval = new QComboBox(this);
    m_interval->setObjectName(QStringLiteral("Combo1"));
    m_interval->setEditable(false);
    // The list opens as a list of its own about fifteen rows high, not as tall as the screen.
    m_interval->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_interval->setMaxVisibleItems(15);
    for (int seconds = 1; seconds <= 60; ++seconds)
        m_interval->addItem(QString::number(seconds));

    for (QPushButton* b : {m_ok, m_cancel, m_apply})
        b->installEventFilter(this);
    connect(m_ok, &QPushButton::clicked, this, &Form_Config::Command1_Click);
    connect(m_cancel, &QPushButton::clicked, this, &Form_Config::Command2_Click);
    connect(m_apply, &QPushButton::clicked, this, &Form_Config::Command3_Click);

    auto* startOptions = new QGridLayout;
    startOptions->addLayout(rows[1], 0, 0);
    startOptions->addLayout(rows[2], 1, 0);
    startOptions->addLayout(rows[3], 2, 0);
    startOptions->addLayout(rows[8], 0, 1);
    startOptions->addLayout(rows[9], 1, 1);

    auto* alertWays = new QHBoxLayout;
    for (int i = 4; i <= 7; ++i)
        alertWays->addLayout(rows[i]);

    auto* intervalRow = new QHBoxLayout;
    auto* before = new QLabel(QStringLiteral("提醒检测频率设置:(秒/次)"), this);
    before->setObjectName(QStringLiteral("Label10"));
    auto* after = new QLabel(QStringLiteral("秒检测一次(提示:太低会占用过多资源,太高时间不精确)"), this);
    after->setObjectName(QStringLiteral("Label11"));
    intervalRow->addWidget(before);
    intervalRow->addWidget(m_interval);
    intervalRow->addWidget(after);
    intervalRow->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(QStringLiteral("首选项"), QStringLiteral("Label66"), this));
    layout->addLayout(startOptions);
    layout->addSpacing(8);
    layout->addWidget(heading(QStringLiteral("备忘提醒方式选择(可多选)"), QStringLiteral("Label33"), this));
    layout->addLayout(alertWays);
    layout->addSpacing(8);
    layout->addLayout(intervalRow);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_apply);
    setTabOrder(m_apply, m_check[1]);
    for (int i = 1; i < 6; ++i)
        setTabOrder(m_check[i], m_check[i + 1]);
    setTabOrder(m_check[6], m_interval);
    setTabOrder(m_interval, m_check[7]);
    setTabOrder(m_check[7], m_check[8]);
    setTabOrder(m_check[8], m_check[9]);
}

Form_Config* Form_Config::showDialog(Database& db, RunState& state, Autostart& autostart, MessageBoxes& boxes,
                                     std::function<void()> endProgram)
{
    if (s_open) {
        s_open->showNormal();
        s_open->raise();
        s_open->activateWindow();
        return s_open;
    }
    auto* dialog = new Form_Config(db, state, autostart, boxes, std::move(endProgram));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    s_open = dialog;
    if (!dialog->Form_Load()) {
        dialog->deleteLater();
        return nullptr;
    }
    dialog->show();
    // Without an owner it opens in the middle of the screen, not wherever the desktop drops it.
    centreOnScreen(dialog);
    dialog->m_ok->setFocus();
    return dialog;
}

bool Form_Config::Form_Load()
{
    switch (m_settings.LoadSettings()) {
    case ConfigSettings::LoadResult::SettingsRowMissing:
        recoverMissingSettings();
        return false;
    case ConfigSettings::LoadResult::ReadFailed:
        // The dialog shows the settings the program runs with.
    case ConfigSettings::LoadResult::Loaded:
        break;
    }
    showChoices(m_settings.current());
    m_apply->setEnabled(false);
    return true;
}

ConfigChoices Form_Config::choices() const
{
    ConfigChoices c;
    c.autoStart = m_check[1]->isChecked();
    c.settings.AutoHide = m_check[3]->isChecked();
    c.settings.ReminderRing = m_check[4]->isChecked();
    c.settings.ReminderPop = m_check[5]->isChecked();
    c.settings.ReminderMM = m_check[6]->isChecked();
    c.settings.ReminderIco = m_check[7]->isChecked();
    c.settings.SavePass = m_check[8]->isChecked();
    c.settings.AutoLogin = m_check[9]->isChecked();
    c.settings.CheckTimer = m_interval->currentText().toInt();
    return c;
}

void Form_Config::showChoices(const ConfigChoices& c)
{
    m_interval->setCurrentIndex(m_interval->findText(QString::number(c.settings.CheckTimer)));
    m_check[1]->setChecked(c.autoStart);
    m_check[3]->setChecked(c.settings.AutoHide);
    m_check[4]->setChecked(c.settings.ReminderRing);
    m_check[5]->setChecked(c.settings.ReminderPop);
    m_check[6]->setChecked(c.settings.ReminderMM);
    m_check[7]->setChecked(c.settings.ReminderIco);
    m_check[8]->setChecked(c.settings.SavePass);
    m_check[9]->setChecked(c.settings.AutoLogin);
}

void Form_Config::EnableApply()
{
    m_apply->setEnabled(true);
}

bool Form_Config::Command3_Click()
{
    m_apply->setEnabled(false);
    const ConfigSettings::ApplyResult result = m_settings.apply(choices());
    if (result.settingsRowMissing) {
        recoverMissingSettings();
        return false;
    }
    if (!result.rowError.isEmpty()) {
        m_boxes.warn(this, QStringLiteral("设置保存失败,请检查数据文件后重试。\n") + result.rowError);
        m_apply->setEnabled(true);
        return false;
    }
    if (!result.autostartError.isEmpty()) {
        m_boxes.warn(this, QStringLiteral("开机自启动设置失败。\n") + result.autostartError);
        m_apply->setEnabled(true);
        return false;
    }
    return true;
}

void Form_Config::Command1_Click()
{
    if (Command3_Click())
        close();
}

void Form_Config::Command2_Click()
{
    close();
}

bool Form_Config::eventFilter(QObject* watched, QEvent* event)
{
    // Esc on one of the three buttons closes the dialog without storing anything.
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        (watched == m_ok || watched == m_cancel || watched == m_apply)) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form_Config::recoverMissingSettings()
{
    hide();
    m_boxes.warn(nullptr, RecoverMissingRowText(m_state.DbPath), {}, m_endProgram);
}

} // namespace velmo
