#pragma once

// The assistant figure: a small frameless window on top of the others with an animated figure,
// shown while memos ring. It can be dragged; its place is kept per user. A click raises the main
// window and sends the figure away for the rest of this run's reminders.

#include "platform/DataFolder.h"

#include <QHash>
#include <QLabel>
#include <QPoint>
#include <QRegion>

#include <functional>

class QMovie;

namespace velmo {

class FormMM : public QLabel
{
    Q_OBJECT

public:
    // figure: 1 to 6, images/<figure>.gif of the asset folder.
    FormMM(AssetFolder assets, int figure, QWidget* parent = nullptr);

    // Switches the figure at once.
    void setFigure(int figure);
    int figure() const { return m_figure; }

    // The kept place in twips (per-user settings "Settings/MainLeft" and "Settings/MainTop").
    static QPoint savedPosition();
    static void savePosition(const QPoint& topLeft);

signals:
    // Clicked without being dragged.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    AssetFolder m_assets;
    int m_figure = 0;
    QMovie* m_movie = nullptr;
    QHash<int, QRegion> m_frameShapes; // the window's shape for each frame of the movie
    QPoint m_grab;
    bool m_pressed = false;
    bool m_dragged = false;
};

} // namespace velmo
