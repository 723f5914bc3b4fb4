#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace velmo {

// The title of a message box that names none of its own.
QString applicationTitle();

// Puts message boxes in front of the user without waiting for them: the caller goes on at once and
// the answer arrives through the callback once the box is closed. Tests answer through a recorder.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;

    // An exclamation box with OK. An empty title shows the application title.
    virtual void warn(QWidget* parent, const QString& text, const QString& title = {},
                      std::function<void()> closed = {}) = 0;
    // A question box with Yes and No; answered(true) for Yes. An empty title shows the application title.
    virtual void ask(QWidget* parent, const QString& text, const QString& title,
                     std::function<void(bool yes)> answered) = 0;
    // A question box with buttons of the caller's own texts, in this order, the first the default;
    // answered(i) with the index of the button chosen. Esc and the close box choose the last one.
    virtual void choose(QWidget* parent, const QString& text, const QString& title,
                        const QStringList& buttons, std::function<void(int chosen)> answered) = 0;
};

// The boxes on screen: QMessageBox opened modal to its parent window, deleted when closed. Their
// texts are shown as they are, never as markup: a memo's title may be part of them.
class WidgetMessageBoxes : public MessageBoxes
{
public:
    void warn(QWidget* parent, const QString& text, const QString& title = {},
              std::function<void()> closed = {}) override;
    void ask(QWidget* parent, const QString& text, const QString& title,
             std::function<void(bool yes)> answered) override;
    void choose(QWidget* parent, const QString& text, const QString& title, const QStringList& buttons,
                std::function<void(int chosen)> answered) override;
};

} // namespace velmo
