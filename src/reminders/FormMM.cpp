#include "FormMM.h"

#include "platform/UserSettings.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QMovie>
#include <QScreen>

namespace velmo {

namespace {

constexpr int kTwipsPerPixel = 15;
// The height a tray balloon takes above the tray, with its pointer and a margin.
constexpr int kBalloonRoom = 150;
const QString leftKey = QStringLiteral("Settings/MainLeft");
const QString topKey = QStringLiteral("Settings/MainTop");

} // namespace

FormMM::FormMM(AssetFolder assets, int figure, QWidget* parent)
    : QLabel(parent)
    , m_assets(std::move(assets))
{
    setObjectName(QStringLiteral("FormMM"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::PointingHandCursor);
    setFigure(figure);
    QPoint place = savedPosition();
    if (place.isNull()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            // Above the corner where the tray's balloon comes up, so that the balloon leaves it in view.
            place = area.bottomRight() - QPoint(width() + 20, height() + kBalloonRoom);
        }
    }
    move(place);
}

void FormMM::setFigure(int figure)
{
    if (figure == m_figure && m_movie)
        return;
    m_figure = figure;
    delete m_movie;
    m_movie = new QMovie(m_assets.filePath(QStringLiteral("images/%1.gif").arg(figure)), QByteArray(), this);
    // The frames are read from the file once, not at every turn of the loop.
    m_movie->setCacheMode(QMovie::CacheAll);
    m_frameShapes.clear();
    setMovie(m_movie);
    // Without a compositing desktop a translucent window shows black where the picture is clear:
    // the window takes the shape of each frame instead, worked out once per frame.
    connect(m_movie, &QMovie::frameChanged, this, [this](int frameNumber) {
        auto shape = m_frameShapes.constFind(frameNumber);
        if (shape == m_frameShapes.constEnd()) {
            const QPixmap frame = m_movie->currentPixmap();
            if (frame.isNull() || !frame.hasAlpha())
                return;
            shape = m_frameShapes.insert(frameNumber, QRegion(frame.mask()));
        }
        if (mask() != *shape)
            setMask(*shape);
    });
    m_movie->start();
    adjustSize();
}

QPoint FormMM::savedPosition()
{
    const auto settings = openUserSettings();
    bool leftOk = false;
    bool topOk = false;
    const int left = settings->value(leftKey).toInt(&leftOk);
    const int top = settings->value(topKey).toInt(&topOk);
    if (!leftOk || !topOk)
        return {};
    return QPoint(left / kTwipsPerPixel, top / kTwipsPerPixel);
}

void FormMM::savePosition(const QPoint& topLeft)
{
    const auto settings = openUserSettings();
    settings->setValue(leftKey, topLeft.x() * kTwipsPerPixel);
    settings->setValue(topKey, topLeft.y() * kTwipsPerPixel);
}

void FormMM::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_dragged = false;
    m_grab = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void FormMM::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    const QPoint target = event->globalPosition().toPoint() - m_grab;
    if ((target - pos()).manhattanLength() > 2 || m_dragged) {
        m_dragged = true;
        move(target);
    }
}

void FormMM::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (m_dragged)
        savePosition(pos());
    else
        emit clicked();
}

} // namespace velmo
