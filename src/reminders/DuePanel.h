#pragma once

// The main window's panel of memos due within 60 days: the frame (Frame1) with the sheet inside it
// (Frame2, captioned with the count) that holds one row per memo, and the scroller (RVTPropGadget1)
// beside it that moves the sheet. The mouse wheel over any of them scrolls a notch at a time.
//
//   DuePanel panel(assets, {frame1Rect, gadgetRect, sheetHeight, scrollerProperties}, client);
//   panel.showScan(scan, ringOn);    // rows follow the scan; an unchanged scan touches nothing
//   connect(&panel, &DuePanel::memoClicked, ...);

#include "controls/PropertyBag.h"
#include "platform/DataFolder.h"
#include "reminders/WheelSteps.h"
#include "store/MemoId.h"

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <vector>

class QFrame;
class QGroupBox;
class QLabel;

namespace velmo {

class ClickLabel;
class RVTPropGadget;
struct DueScanResult;

class DuePanel : public QWidget
{
    Q_OBJECT

public:
    struct Design
    {
        // The frame and the scroller, in the parent's coordinates.
        QRect frame;
        QRect scroller;
        // The sheet's height before the first scan.
        int sheetHeight = 0;
        PropertyBag scrollerProperties = {};
    };

    DuePanel(const AssetFolder& assets, const Design& design, QWidget* parent = nullptr);
    ~DuePanel() override;

    // Shows the memos of a scan in its order; the sound mark shows on those that ring when ringing is
    // on. Rows already right are left alone, so an unchanged scan touches no widget; rows past the
    // scan's are hidden and kept for later scans.
    void showScan(const DueScanResult& scan, bool ringOn);
    // Builds this many rows ahead, hidden, so that a scan only fills them.
    void prepareRows(size_t count);
    // Deletes every row.
    void clearRows();
    // The caption "60天到期备忘;(n)条".
    void setCount(size_t count);
    QString caption() const;
    // Moves the sheet to match the scroller's value (0 at the top, 10 at the bottom).
    void RVTPropGadget1_ValueChanged(int NewVValue, int NewHValue);

signals:
    // A click on a row's picture, days or title.
    void memoClicked(MemoId memoId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row
    {
        MemoId id = 0;
        ClickLabel* picture = nullptr;
        ClickLabel* days = nullptr;
        ClickLabel* title = nullptr;
        QLabel* sound = nullptr;
        int picturesShown = -1; // 1 due now, 0 ahead, -1 none yet
    };

    Row makeRow(size_t index);
    void showRow(Row& row, bool shown);
    // Deletes the rows after the first `kept`.
    void dropRows(size_t kept);
    void MouseWheel(int delta);

    QFrame* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    RVTPropGadget* m_gadget = nullptr;
    QPixmap m_dueNow;
    QPixmap m_ahead;
    QPixmap m_ringing;
    std::vector<Row> m_rows;
    WheelSteps m_wheel;
};

} // namespace velmo
