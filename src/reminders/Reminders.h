#pragma once

// The reminder engine as the main window uses it: the due scan into the due panel, the ringing of
// the memos due now, the assistant figure and the reminder windows.
//
//   Reminders::Services services{db, run, assets, boxes, ringTune, timer2, duePanel, mainWindow};
//   services.tray = &tray;
//   auto* reminders = new Reminders(services, mainWindow);
//   reminders->Command2_Click();        // scan, fill the panel, ring
//   reminders->MoveRing(true);          // empty the panel and stop ringing

#include "platform/DataFolder.h"
#include "reminders/DueScan.h"
#include "reminders/FormMM.h"
#include "store/MemoChange.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace velmo {

class Database;
class DuePanel;
class FormMM;
class Form_Ring;
class MessageBoxes;
class RingAlert;
class RingTune;
class TrayIcon;
struct RunState;

class Reminders : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        Database& db;
        RunState& run;
        AssetFolder assets;
        MessageBoxes& boxes;
        RingTune& tune;
        QTimer& timer2;
        DuePanel* panel;     // shows the scan; a click on a row opens its reminder window
        QWidget* mainWindow; // raised by a click on the figure; parent of the reminder windows
        TrayIcon* tray = nullptr;
        QString normalTip = {};
        std::function<QString(int)> categoryName = {};
        std::function<QString(const QString&)> repeatLabel = {};
        // A reminder window changed a memo: the panel, the views and the delayed upload follow.
        std::function<void(const MemoChange&)> memosChanged = {};
        // Status line ("状态:...").
        std::function<void(const QString&)> status = {};
    };

    explicit Reminders(Services services, QObject* parent = nullptr);
    ~Reminders() override;

    // With true: empties the panel and stops the ringing. Always: the caption "60天到期备忘;(0)条".
    void MoveRing(bool YesOrNo);
    // Stops the ringing and sends the figure away, leaving the panel's rows for the next scan to
    // reuse (a refresh after a change of memos scans at once).
    void stopRinging();
    // The due scan: the panel follows it, and the memos due now ring, or the alert stops when none is.
    void Command2_Click();
    // MoveRing(false) and the scan, with the panel's caption set once.
    void rescan();

    // Opens (or raises) the reminder window of a memo.
    void openRing(MemoId memoId);
    // The assistant figure menu: makes figure 1 to 6 the current one, at once.
    void mm_Click(int Index);
    // Closes the figure (the user raised the main window).
    void dismissAssistant();

    QString RingList() const;
    const DueScanResult& lastScan() const { return m_last; }
    RingAlert& alert() { return *m_alert; }
    FormMM* figureWindow() const { return m_figure; }
    // A sign-in memo has rung and been closed in this run: sign-in memos stay quiet until the next.
    bool LoginRingFlag() const { return m_loginRingFlag; }

signals:
    // The reminder window's edit action: open the editor for this memo.
    void editRequested(MemoId memoId);

private:
    void showFigure();
    // A memo was found gone: the panel is emptied and scanned again once the current event is over.
    void rescanLater();

    Services m_services;
    std::unique_ptr<RingAlert> m_alert;
    DueScanResult m_last;
    QPointer<FormMM> m_figure;
    QHash<qint64, QPointer<Form_Ring>> m_ringWindows;
    bool m_loginRingFlag = false;
};

} // namespace velmo
