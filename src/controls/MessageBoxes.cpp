#include "MessageBoxes.h"

#include <QGridLayout>
#include <QMessageBox>
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

} // namespace velmo
