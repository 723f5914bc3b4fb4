#pragma once

#include "controls/MessageBoxes.h"

#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <utility>

namespace velmo::test {

// Message boxes that are written down instead of shown. Warnings close on the next turn of the
// event loop; a question takes the next planned answer, or waits for answer() (choose() for one
// with buttons of its own).
class BoxRecorder : public MessageBoxes
{
public:
    struct Box
    {
        bool question = false;
        QString text;
        QString title;            // as passed: empty means the application title
        QStringList buttons = {}; // a question's own buttons
    };

    void warn(QWidget*, const QString& text, const QString& title, std::function<void()> closed) override
    {
        boxes.append({false, text, title});
        if (closed)
            QTimer::singleShot(0, [closed = std::move(closed)] { closed(); });
    }

    void ask(QWidget*, const QString& text, const QString& title, std::function<void(bool)> answered) override
    {
        boxes.append({true, text, title});
        if (plannedAnswers.empty()) {
            pending = std::move(answered);
            return;
        }
        const bool yes = plannedAnswers.front();
        plannedAnswers.pop_front();
        QTimer::singleShot(0, [answered = std::move(answered), yes] { answered(yes); });
    }

    void choose(QWidget*, const QString& text, const QString& title, const QStringList& buttons,
                std::function<void(int)> answered) override
    {
        boxes.append({true, text, title, buttons});
        pendingChoice = std::move(answered);
    }

    // Answers the question with buttons of its own that is waiting, by the button's text; false
    // when none is waiting or it has no such button.
    bool choose(const QString& button)
    {
        if (!pendingChoice || boxes.isEmpty() || !boxes.last().buttons.contains(button))
            return false;
        std::exchange(pendingChoice, nullptr)(static_cast<int>(boxes.last().buttons.indexOf(button)));
        return true;
    }

    // Answers the question that is waiting; false when none is.
    bool answer(bool yes)
    {
        if (!pending)
            return false;
        std::exchange(pending, nullptr)(yes);
        return true;
    }

    QStringList texts() const
    {
        QStringList all;
        for (const Box& box : boxes)
            all.append(box.text);
        return all;
    }

    QList<Box> boxes;
    std::deque<bool> plannedAnswers;
    std::function<void(bool)> pending;
    std::function<void(int)> pendingChoice;
};

} // namespace velmo::test
