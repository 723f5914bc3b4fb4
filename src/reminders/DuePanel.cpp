#include "DuePanel.h"

#include "controls/ClickLabel.h"
#include "controls/PlainToolTip.h"
#include "controls/RVTPropGadget.h"
#include "reminders/DueScan.h"

#include <QGroupBox>
#include <QWheelEvent>

#include <algorithm>

namespace velmo {

namespace {

constexpr int kRowTop = 20;
constexpr int kRowHeight = 22;

} // namespace

DuePanel::DuePanel(const AssetFolder& assets, const Design& design, QWidget* parent)
    : QWidget(parent)
    , m_dueNow(assets.filePath(QStringLiteral("images/red.gif")))
    , m_ahead(assets.filePath(QStringLiteral("images/blue.gif")))
    , m_ringing(assets.filePath(QStringLiteral("images/sound.gif")))
{
    setObjectName(QStringLiteral("DuePanel"));
    const QRect whole = design.frame.united(design.scroller);
    setGeometry(whole);

    m_frame1 = new QFrame(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(design.frame.translated(-whole.topLeft()));
    // The viewport draws the panel's outline: the sheet inside runs on below its bottom edge.
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setFrameShadow(QFrame::Sunken);
    m_frame1->installEventFilter(this);

    m_frame2 = new QGroupBox(QStringLiteral("60天到期备忘;(0)条"), m_frame1);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setFlat(true);
    m_frame2->setGeometry(0, 0, m_frame1->width(), design.sheetHeight);
    m_frame2->installEventFilter(this);

    m_gadget = new RVTPropGadget(this);
    m_gadget->setObjectName(QStringLiteral("RVTPropGadget1"));
    m_gadget->setGeometry(design.scroller.translated(-whole.topLeft()));
    m_gadget->readProperties(design.scrollerProperties);
    m_gadget->installEventFilter(this);
    connect(m_gadget, &RVTPropGadget::ValueChanged, this, &DuePanel::RVTPropGadget1_ValueChanged);
}

DuePanel::~DuePanel() = default;

QString DuePanel::caption() const
{
    return m_frame2->title();
}

void DuePanel::setCount(size_t count)
{
    const QString text = QStringLiteral("60天到期备忘;(%1)条").arg(count);
    if (m_frame2->title() != text)
        m_frame2->setTitle(text);
}

DuePanel::Row DuePanel::makeRow(size_t index)
{
    const int number = static_cast<int>(index) + 1;
    const int y = kRowTop + static_cast<int>(index) * kRowHeight;
    const int width = m_frame2->width();
    Row row;
    row.picture = new ClickLabel(QString(), m_frame2);
    row.picture->setObjectName(QStringLiteral("ucAniGIF_%1").arg(number));
    row.picture->setGeometry(6, y + 2, 16, 16);
    row.days = new ClickLabel(QString(), m_frame2);
    row.days->setObjectName(QStringLiteral("Label2_%1").arg(number));
    row.days->setGeometry(26, y, 64, kRowHeight - 2);
    row.title = new ClickLabel(QString(), m_frame2);
    row.title->setObjectName(QStringLiteral("Label1_%1").arg(number));
    // A memo's title is its text, never markup.
    row.title->setTextFormat(Qt::PlainText);
    row.title->setGeometry(92, y, width - 92 - 28, kRowHeight - 2);
    row.sound = new QLabel(m_frame2);
    row.sound->setObjectName(QStringLiteral("Image1_%1").arg(number));
    row.sound->setPixmap(m_ringing);
    row.sound->setGeometry(width - 24, y + 2, 16, 16);
    row.sound->setVisible(false);
    for (ClickLabel* label : {row.picture, row.days, row.title}) {
        label->setCursor(Qt::PointingHandCursor);
        connect(label, &ClickLabel::clicked, this, [this, index] { emit memoClicked(m_rows.at(index).id); });
        label->setVisible(false);
        label->ensurePolished();
    }
    row.sound->ensurePolished();
    return row;
}

void DuePanel::prepareRows(size_t count)
{
    while (m_rows.size() < count)
        m_rows.push_back(makeRow(m_rows.size()));
}

void DuePanel::showRow(Row& row, bool shown)
{
    if (row.title->isVisibleTo(m_frame2) == shown)
        return;
    for (ClickLabel* label : {row.picture, row.days, row.title})
        label->setVisible(shown);
    if (!shown)
        row.sound->setVisible(false);
}

void DuePanel::showScan(const DueScanResult& scan, bool ringOn)
{
    const size_t count = scan.memos.size();
    // Rows past the scan's are hidden for a later scan to use again.
    for (size_t index = count; index < m_rows.size(); ++index)
        showRow(m_rows[index], false);
    prepareRows(count);
    for (size_t index = 0; index < count; ++index) {
        const DueMemo& memo = scan.memos[index];
        Row& row = m_rows[index];
        row.id = memo.id;
        if (row.picturesShown != int(memo.dueNow)) {
            row.picture->setPixmap(memo.dueNow ? m_dueNow : m_ahead);
            row.picturesShown = int(memo.dueNow);
        }
        const QString days = QStringLiteral("剩:%1天").arg(memo.daysLeft);
        if (row.days->text() != days)
            row.days->setText(days);
        if (row.title->text() != memo.title) {
            row.title->setText(memo.title);
            row.title->setToolTip(plainToolTip(memo.title));
        }
        const bool rings =
            ringOn && std::find(scan.ringList.begin(), scan.ringList.end(), memo.id) != scan.ringList.end();
        if (row.sound->isVisibleTo(m_frame2) != rings)
            row.sound->setVisible(rings);
        showRow(row, true);
    }
    // As tall as its rows, and never shorter than the panel: a few rows do not scroll away.
    const int height = std::max(m_frame1->height(), kRowTop + static_cast<int>(count) * kRowHeight + kRowTop);
    if (m_frame2->height() != height) {
        m_frame2->resize(m_frame2->width(), height);
        RVTPropGadget1_ValueChanged(m_gadget->VValue(), 1);
    }
}

void DuePanel::clearRows()
{
    dropRows(0);
}

void DuePanel::dropRows(size_t kept)
{
    while (m_rows.size() > kept) {
        const Row& row = m_rows.back();
        delete row.picture;
        delete row.days;
        delete row.title;
        delete row.sound;
        m_rows.pop_back();
    }
}

bool DuePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        MouseWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void DuePanel::MouseWheel(int delta)
{
    const int notches = m_wheel.add(delta);
    if (notches == 0)
        return;
    // Away from the user scrolls up; the gadget refuses a value outside its range.
    m_gadget->setVValue(m_gadget->VValue() - notches);
    RVTPropGadget1_ValueChanged(m_gadget->VValue(), 1);
}

void DuePanel::RVTPropGadget1_ValueChanged(int NewVValue, int NewHValue)
{
    Q_UNUSED(NewHValue);
    m_frame2->move(m_frame2->x(), (m_frame1->height() - m_frame2->height()) * NewVValue / 10);
}

} // namespace velmo
