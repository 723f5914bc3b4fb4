#pragma once

// The alert while memos ring: the tune on repeat, and on the 400 ms alert timer (Timer2) the
// blinking tray icon, with the assistant figure and the balloon once a minute.

#include <QObject>
#include <QString>

#include <functional>

class QTimer;

namespace velmo {

class RingTune;
class TrayIcon;
struct RunState;

class RingAlert : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPromptEveryTicks = 150; // 60 s of 400 ms ticks
    static inline const QString kBlinkTip = QStringLiteral("Velmo,有备忘录提醒,点击查看");

    struct Services
    {
        RunState& run;
        RingTune& tune;
        QTimer& timer2;
        TrayIcon* tray = nullptr;
        // The tip of the quiet icon, "Velmo v1.83".
        QString normalTip = {};
        // Shows the assistant figure.
        std::function<void()> showFigure = {};
    };

    explicit RingAlert(Services services, QObject* parent = nullptr);

    // Rings with the given tune: RingLoop on, the tune playing, Timer2 running.
    void start(const QString& tunePath);
    // Everything quiet again: tune stopped, Timer2 off, the tray icon and tip restored.
    void stop();
    bool RingLoop() const { return m_ringLoop; }
    bool isRinging() const;

    // One tick of Timer2.
    void Timer2_Timer();
    // The tune has played to its end: again from the start while RingLoop is on.
    void tuneFinished();

private:
    Services m_services;
    bool m_ringLoop = false;
    int m_ticks = 0;
};

} // namespace velmo
