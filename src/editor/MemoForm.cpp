#include "MemoForm.h"

#include "controls/MessageBoxes.h"
#include "controls/PlainTextBox.h"
#include "editor/LunarDateEdit.h"
#include "editor/MemoCodes.h"
#include "lunar/hlxNongLiGongLi.h"
#include "platform/Clock.h"
#include "platform/FileUtils.h"
#include "platform/Html.h"
#include "platform/TuneCodes.h"
#include "store/RunState.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTextDocument>
#include <QTimeEdit>

namespace velmo {

namespace {

const QString previewIdle = QStringLiteral("试听");
const QString previewPlayingCaption = QStringLiteral("停止");

const QDate solarFirstDay(1900, 1, 1);
const QDate solarLastDay(9999, 12, 31);

// Where the tune dialog opens: the folder of the tune chosen, else the user's music, else home.
QString tuneFolder(const QString& chosen)
{
    const QString chosenFolder = chosen.isEmpty() ? QString() : QFileInfo(chosen).absolutePath();
    for (const QString& folder :
         {chosenFolder, QStandardPaths::writableLocation(QStandardPaths::MusicLocation)}) {
        if (!folder.isEmpty() && QDir(folder).exists())
            return folder;
    }
    return QDir::homePath();
}

// The date picker's pop-up takes the calendar's size hint, which leaves out the skin's frame of the
// day table: the last week row would be cut off. On showing, the pop-up grows by what is missing.
class CalendarPopupFit : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* calendar = qobject_cast<QCalendarWidget*>(watched);
        const auto* days = calendar ? calendar->findChild<QTableView*>() : nullptr;
        if (event->type() == QEvent::Show && days) {
            const int missing = days->verticalHeader()->length() + 2 * days->frameWidth() - days->height();
            if (missing > 0)
                calendar->window()->resize(calendar->window()->width(),
                                           calendar->window()->height() + missing);
        }
        return false;
    }
};

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// Selects the item with exactly this text; any other text leaves the selection.
void selectText(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

} // namespace

MemoForm::MemoForm(const EditorServices& services, const QString& bindButtonName, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("memoForm"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    auto fieldLabel = [this, grid](int index, const QString& text, int row) {
        auto* label = named(new QLabel(text, this), QStringLiteral("Label1_%1").arg(index));
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignTop);
    };

    fieldLabel(0, QStringLiteral("备忘标题："), 0);
    auto* titleRow = new QHBoxLayout;
    m_text1 = named(new QLineEdit(this), QStringLiteral("Text1"));
    m_text1->setMaxLength(static_cast<int>(MemoRecord::TitleLength));
    titleRow->addWidget(m_text1, 1);
    m_label2 = named(new QLabel(QStringLiteral("ID:"), this), QStringLiteral("Label2"));
    m_label3 = named(new QLabel(this), QStringLiteral("Label3"));
    titleRow->addWidget(m_label2);
    titleRow->addWidget(m_label3);
    grid->addLayout(titleRow, 0, 1);

    fieldLabel(1, QStringLiteral("备忘类型："), 1);
    m_combo1 = named(new QComboBox(this), QStringLiteral("Combo1"));
    grid->addWidget(m_combo1, 1, 1, Qt::AlignLeft);

    fieldLabel(3, QStringLiteral("提醒频率："), 2);
    m_combo2 = named(new QComboBox(this), QStringLiteral("Combo2"));
    grid->addWidget(m_combo2, 2, 1, Qt::AlignLeft);

    fieldLabel(2, QStringLiteral("提醒时间："), 3);
    auto* frame1 = named(new QGroupBox(this), QStringLiteral("Frame1"));
    auto* timeRow = new QHBoxLayout(frame1);
    m_option1 = named(new QRadioButton(QStringLiteral("公历"), frame1), QStringLiteral("Option1"));
    m_option2 = named(new QRadioButton(QStringLiteral("农历"), frame1), QStringLiteral("Option2"));
    m_option1->setChecked(true);
    m_dt1 = named(new QDateEdit(frame1), QStringLiteral("DT1"));
    m_dt1->setCalendarPopup(true);
    m_dt1->calendarWidget()->installEventFilter(new CalendarPopupFit(m_dt1));
    m_dt1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_dt1->setDateRange(solarFirstDay, solarLastDay);
    // A lunar date is entered in lunar numbers, within the years the converter covers.
    m_dt1Lunar = named(new LunarDateEdit(frame1), QStringLiteral("DT1Lunar"));
    m_dt1Lunar->setYearRange(hlxNongLiGongLi::kFirstYear, hlxNongLiGongLi::kLastYear);
    m_dt1Lunar->hide();
    m_dt2 = named(new QTimeEdit(frame1), QStringLiteral("DT2"));
    m_dt2->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    timeRow->addWidget(m_option1);
    timeRow->addWidget(m_option2);
    timeRow->addWidget(m_dt1);
    timeRow->addWidget(m_dt1Lunar);
    timeRow->addWidget(m_dt2);
    timeRow->addStretch();
    grid->addWidget(frame1, 3, 1);
    connect(m_option2, &QRadioButton::toggled, this, &MemoForm::setCalendar);

    fieldLabel(4, QStringLiteral("备忘内容："), 4);
    m_text2 = named(new PlainTextBox(this), QStringLiteral("Text2"));
    m_text2->setTabChangesFocus(true);
    grid->addWidget(m_text2, 4, 1);

    fieldLabel(5, QStringLiteral("其他选项："), 5);
    auto* optionRow = new QHBoxLayout;
    m_check1 = named(new QCheckBox(QStringLiteral("秘密备忘"), this), QStringLiteral("Check1"));
    m_check2 = named(new QCheckBox(QStringLiteral("重要备忘"), this), QStringLiteral("Check2"));
    m_check3 = named(new QCheckBox(QStringLiteral("短信邮件提醒"), this), QStringLiteral("Check3"));
    m_bindButton = named(new QPushButton(QStringLiteral("绑定激活邮件"), this), bindButtonName);
    for (QWidget* widget : {static_cast<QWidget*>(m_check1), static_cast<QWidget*>(m_check2),
                            static_cast<QWidget*>(m_check3), static_cast<QWidget*>(m_bindButton)})
        optionRow->addWidget(widget);
    optionRow->addStretch();
    grid->addLayout(optionRow, 5, 1);
    connect(m_bindButton, &QPushButton::clicked, this, &MemoForm::bindMailClicked);

    fieldLabel(6, QStringLiteral("提醒铃声："), 6);
    auto* frame2 = named(new QGroupBox(this), QStringLiteral("Frame2"));
    auto* tuneGrid = new QGridLayout(frame2);
    m_combo3 = named(new QComboBox(frame2), QStringLiteral("Combo3"));
    m_command4 = named(new QPushButton(previewIdle, frame2), QStringLiteral("Command4"));
    m_check4 = named(new QCheckBox(QStringLiteral("自定义铃声"), frame2), QStringLiteral("Check4"));
    m_text3 = named(new QLineEdit(frame2), QStringLiteral("Text3"));
    m_command3 = named(new QPushButton(QStringLiteral("浏览"), frame2), QStringLiteral("Command3"));
    tuneGrid->addWidget(m_combo3, 0, 0, 1, 2);
    tuneGrid->addWidget(m_command4, 0, 2);
    tuneGrid->addWidget(m_check4, 1, 0);
    tuneGrid->addWidget(m_text3, 1, 1);
    tuneGrid->addWidget(m_command3, 1, 2);
    grid->addWidget(frame2, 6, 1);
    setCustomTune(false);
    connect(m_check4, &QCheckBox::clicked, this, &MemoForm::Check4_Click);
    connect(m_command3, &QPushButton::clicked, this, &MemoForm::Command3_Click);
    connect(m_command4, &QPushButton::clicked, this, &MemoForm::Command4_Click);

    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
}

MemoForm::~MemoForm() = default;

void MemoForm::loadLists()
{
    m_player = m_services.tunes ? m_services.tunes() : std::make_unique<MusicPreview>();
    if (m_player) {
        m_player->ended = [this] {
            if (previewPlaying())
                m_command4->setText(previewIdle);
        };
        m_player->failed = [this] {
            if (previewPlaying())
                previewFailed(TunePreview::Start::Unplayable, m_previewPath);
        };
    }
    m_combo1->addItems(MemoCodes::categoryLabels());
    m_combo2->addItems(MemoCodes::repeatLabels());
    m_combo3->addItems(builtInTuneFileNames());
    m_combo1->setCurrentIndex(0);
    m_combo2->setCurrentIndex(0);
    m_combo3->setCurrentIndex(0);
    showMailOption();
}

void MemoForm::showMemo(const MemoRecord& memo, const std::optional<LunarMoment>& lunarAlert)
{
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
    m_text2->showText(RemoveHtml(memo.content));
    setStoredContent(memo.content);
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

void MemoForm::showNewMemo(const QDateTime& moment, const QString& customTune)
{
    setMoment(moment);
    if (!customTune.isEmpty()) {
        m_text3->setText(customTune);
        setCustomTune(true);
    }
    markLoaded();
}

void MemoForm::setStoredContent(const QString& content)
{
    // As the box would give it back, so that line breaks do not count as a change.
    QTextDocument shown;
    shown.setPlainText(RemoveHtml(content));
    m_loadedContent = shown.toPlainText();
}

void MemoForm::selectCategory(const QString& label)
{
    selectText(m_combo1, label);
}

void MemoForm::hideMemoId()
{
    m_label2->hide();
    m_label3->hide();
}

void MemoForm::showMailOption()
{
    const bool mailbox = m_services.run.MobileMailActive;
    m_check3->setEnabled(mailbox);
    m_bindButton->setEnabled(!mailbox);
}

void MemoForm::focusTitle()
{
    m_text1->setFocus();
}

void MemoForm::focusFirstField()
{
    if (m_text3->isEnabled()) {
        m_text3->setFocus();
        m_text3->end(false);
    } else {
        m_text1->setFocus();
    }
}

EditorInput MemoForm::input() const
{
    EditorInput in;
    in.category = m_combo1->currentText();
    in.repeat = m_combo2->currentText();
    in.solar = m_option1->isChecked();
    in.lunar = m_option2->isChecked();
    in.date = m_dt1->date();
    in.time = m_dt2->time();
    in.lunarDate = m_dt1Lunar->date();
    in.loadedLunarDate = m_loadedLunarDate;
    in.loadedLunarHint = m_loadedLunarHint;
    in.title = m_text1->text();
    in.content = m_text2->toPlainText();
    in.contentChanged = in.content != m_loadedContent;
    in.mimi = m_check1->isChecked();
    in.importance = m_check2->isChecked();
    in.mail = m_check3->isChecked();
    in.customTune = m_check4->isChecked();
    in.tunePath = m_text3->text();
    in.tuneLabel = m_combo3->currentText();
    return in;
}

bool MemoForm::previewPlaying() const
{
    return m_command4->text() != previewIdle;
}

void MemoForm::setMoment(const QDateTime& moment)
{
    m_dt1->setDate(moment.date());
    m_dt2->setTime(moment.time());
}

void MemoForm::setLunarMoment(const LunarMoment& moment)
{
    m_dt1Lunar->setDate(moment.date());
    m_dt2->setTime(moment.time());
}

void MemoForm::setCalendar(bool lunar)
{
    const QSignalBlocker blocker(m_option2);
    m_option2->setChecked(lunar);
    m_option1->setChecked(!lunar);
    if (lunar != m_dt1->isHidden()) {
        // The other calendar's picker takes the same day, where the calendar knows it.
        if (lunar) {
            if (const auto day = LunarCalendar::fromSolar(m_dt1->date()))
                m_dt1Lunar->setDate(*day);
        } else if (const auto day = LunarCalendar::toSolar(m_dt1Lunar->date())) {
            m_dt1->setDate(*day);
        }
    }
    m_dt1->setVisible(!lunar);
    m_dt1Lunar->setVisible(lunar);
}

void MemoForm::setCustomTune(bool on)
{
    m_check4->setChecked(on);
    m_combo3->setEnabled(!on);
    m_text3->setEnabled(on);
    m_command3->setEnabled(on);
}

void MemoForm::Check4_Click()
{
    setCustomTune(m_check4->isChecked());
}

void MemoForm::Command3_Click()
{
    auto* dialog =
        new QFileDialog(window(), QString(), tuneFolder(m_text3->text()),
                        QStringLiteral("音频文件(*.mp3 *.wma *.wav *.mid *.MP3 *.WMA *.WAV *.MID)"));
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (!path.isEmpty())
            m_text3->setText(path);
    });
    dialog->open();
}

void MemoForm::Command4_Click()
{
    if (previewPlaying()) {
        stopPreview();
        return;
    }
    if (!m_check4->isChecked()) {
        PlayRing(builtInTunePath(m_services.assets, m_combo3->currentText()));
    } else {
        if (!FileExists(m_text3->text())) {
            m_services.boxes.warn(window(), MemoSave::tuneMissingText());
            return;
        }
        PlayRing(m_text3->text());
    }
}

void MemoForm::PlayRing(const QString& path)
{
    if (!m_player)
        return;
    m_previewPath =
        FileExists(path) ? path : m_services.assets.filePath(QStringLiteral("sound/致爱丽丝.mid"));
    const TunePreview::Start started = m_player->play(m_previewPath);
    if (started == TunePreview::Start::Playing)
        m_command4->setText(previewPlayingCaption);
    else
        previewFailed(started, m_previewPath);
}

void MemoForm::previewFailed(TunePreview::Start why, const QString& path)
{
    m_command4->setText(previewIdle);
    m_services.boxes.warn(window(), why == TunePreview::Start::NoSoundDevice
                                        ? QStringLiteral("没有找到可用的声音设备,无法试听铃声。")
                                        : QStringLiteral("无法播放该铃声文件:\n") + path);
}

void MemoForm::stopPreview()
{
    m_command4->setText(previewIdle);
    if (m_player)
        m_player->stop();
}

} // namespace velmo
