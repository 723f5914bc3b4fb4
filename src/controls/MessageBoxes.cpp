#include "MessageBoxes.h"

#include <QMessageBox>

namespace velmo {

QString applicationTitle()
{
    return QStringLiteral("Tarvik");
}

namespace {

QMessageBox* openBox(QMessageBox::Icon icon, QWidget* parent, const QString& text, const QString& title,
                     QMessageBox::StandardButtons buttons)
{
    auto* box = new QMessageBox(icon, title.isEmpty() ? applicationTitle() : title, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
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
