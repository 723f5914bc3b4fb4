#include "MessageBoxes.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace velmo {

QString applicationTitle()
{
    return QStringLiteral("Tarvik");
}

namespace {

// The narrowest a box gets, so that a short text still leaves its title room in the title bar.
constexpr int kMinimumBoxWidth = 180;

QMessageBox* openBox(QMessageBox::Icon icon, QWidget* parent, const QString& text, const QString& title,
                     QMessageBox::StandardButtons buttons)
{
    auto* box = new QMessageBox(icon, title.isEmpty() ? applicationTitle() : title, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    // The box sizes itself to its text; a spacer under the whole grid keeps it from getting narrower.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(kMinimumBoxWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

} // namespace

void WidgetMessageBoxes::warn(QWidget* parent, const QString& text, const QString& title,
                              std::function<void()> closed)
{
    QMessageBox* box = openBox(QMessageBox::Warning, parent, text, title, QMessageBox::Ok);
    QObject::connect(box, &QMessageBox::finished, box, [closed = std::move(closed)](int) {
        if (closed)
            closed();
    });
    box->open();
}

void WidgetMessageBoxes::ask(QWidget* parent, const QString& text, const QString& title,
                             std::function<void(bool yes)> answered)
{
    QMessageBox* box =
        openBox(QMessageBox::Question, parent, text, title, QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
    QObject::connect(box, &QMessageBox::finished, box, [box, answered = std::move(answered)](int) {
        if (answered)
            answered(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
}

void WidgetMessageBoxes::choose(QWidget* parent, const QString& text, const QString& title,
                                const QStringList& buttons, std::function<void(int chosen)> answered)
{
    QMessageBox* box = openBox(QMessageBox::Question, parent, text, title, QMessageBox::NoButton);
    QList<QAbstractButton*> added;
    // One role for all keeps them in the caller's order.
    for (const QString& caption : buttons)
        added.append(box->addButton(caption, QMessageBox::ActionRole));
    if (!added.isEmpty()) {
        box->setDefaultButton(qobject_cast<QPushButton*>(added.first()));
        box->setEscapeButton(added.last());
    }
    QObject::connect(box, &QMessageBox::finished, box, [box, added, answered = std::move(answered)](int) {
        const qsizetype chosen = added.indexOf(box->clickedButton());
        if (answered)
            answered(static_cast<int>(chosen >= 0 ? chosen : added.size() - 1));
    });
    box->open();
}

} // namespace velmo
