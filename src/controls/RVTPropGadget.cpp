#include "controls/RVTPropGadget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <limits>

namespace velmo {

using namespace gadget;

namespace {

// The first pause of the auto-repeat, and the pace after it.
constexpr int kFirstRepeatMs = 500;
constexpr int kRepeatMs = 125;

// Shift, Ctrl and Alt as the step rules read them.
int shiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= kShiftKey;
    if (modifiers & Qt::ControlModifier)
        shift |= kCtrlKey;
    if (modifiers & Qt::AltModifier)
        shift |= kAltKey;
    return shift;
}

int readInt(const PropertyBag& bag, const QString& key, int defaultValue)
{
    bool ok = false;
    const qlonglong v = bag.read(key, defaultValue).toLongLong(&ok);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return defaultValue;
    return int(v);
}

gdi::OleColor readColor(const PropertyBag& bag, const QString& key, gdi::OleColor defaultValue)
{
    bool ok = false;
    const qlonglong v = bag.read(key, defaultValue).toLongLong(&ok);
    // A colour may be kept as a signed or an unsigned 32-bit number.
    if (!ok || v < std::numeric_limits<qint32>::min() || v > qlonglong(std::numeric_limits<quint32>::max()))
        return defaultValue;
    return gdi::OleColor(quint32(v));
}

} // namespace

RVTPropGadget::RVTPropGadget(QWidget* parent)
    : QWidget(parent)
    , m_mouseButtons([] { return QGuiApplication::mouseButtons(); })
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_repeatTimer.setSingleShot(false);
    connect(&m_repeatTimer, &QTimer::timeout, this, &RVTPropGadget::autoRepeatTick);
    m_ownEnabled = !testAttribute(Qt::WA_ForceDisabled);
    repaintAll();
}

RVTPropGadget::~RVTPropGadget()
{
    m_repeatTimer.stop();
}

QFont RVTPropGadget::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

gdi::ColorRef RVTPropGadget::ScrollTranslateColor(gdi::OleColor color) const
{
    const gdi::ColorRef resolved = gdi::translateColor(color, palette());
    return resolved == gdi::kNoColor ? 0 : resolved;
}

void RVTPropGadget::readProperties(const PropertyBag& bag)
{
    // Loading is no assignment: the font and enabled changes below report nothing.
    m_loading = true;
    m_backColor = readColor(bag, QStringLiteral("BackColor"), kAmbientBackColor);
    m_foreColor = readColor(bag, QStringLiteral("ForeColor"), kAmbientForeColor);
    QFont stored;
    const QVariant fontValue = bag.read(QStringLiteral("Font"));
    if (fontValue.typeId() == QMetaType::QFont)
        setFont(fontValue.value<QFont>());
    else if (fontValue.isValid() && stored.fromString(fontValue.toString()))
        setFont(stored);
    else
        setFont(QFont());
    setEnabled(bag.readBool(QStringLiteral("Enabled"), true));
    m_loading = false;

    GadgetModel::Stored s;
    s.borderless = bag.readBool(QStringLiteral("Borderless"), s.borderless);
    s.type = readInt(bag, QStringLiteral("PropGadgetType"), s.type);
    s.scrollingArrows = readInt(bag, QStringLiteral("ScrollingArrows"), s.scrollingArrows);
    s.vLargeChange = readInt(bag, QStringLiteral("VLargeChange"), s.vLargeChange);
    s.vSmallChange = readInt(bag, QStringLiteral("VSmallChange"), s.vSmallChange);
    s.vMax = readInt(bag, QStringLiteral("VMax"), s.vMax);
    s.vMin = readInt(bag, QStringLiteral("VMin"), s.vMin);
    s.vValue = readInt(bag, QStringLiteral("VValue"), s.vValue);
    s.hLargeChange = readInt(bag, QStringLiteral("HLargeChange"), s.hLargeChange);
    s.hSmallChange = readInt(bag, QStringLiteral("HSmallChange"), s.hSmallChange);
    s.hMax = readInt(bag, QStringLiteral("HMax"), s.hMax);
    s.hMin = readInt(bag, QStringLiteral("HMin"), s.hMin);
    s.hValue = readInt(bag, QStringLiteral("HValue"), s.hValue);
    s.showValue = bag.readBool(QStringLiteral("ShowValue"), s.showValue);
    s.scaleSteps = readInt(bag, QStringLiteral("ScaleSteps"), s.scaleSteps);
    m_model.load(s);

    stopAutoRepeat();
    repaintAll();
}

void RVTPropGadget::writeProperties(PropertyBag& bag) const
{
    const GadgetModel::Stored s = m_model.stored();
    const GadgetModel::Stored d;
    bag.write(QStringLiteral("BackColor"), uint(m_backColor), uint(kAmbientBackColor));
    bag.write(QStringLiteral("ForeColor"), uint(m_foreColor), uint(kAmbientForeColor));
    bag.write(QStringLiteral("Font"), font().toString(), ambientFont().toString());
    bag.writeBool(QStringLiteral("Borderless"), s.borderless, d.borderless);
    bag.writeBool(QStringLiteral("Enabled"), !testAttribute(Qt::WA_ForceDisabled), true);
    bag.write(QStringLiteral("PropGadgetType"), s.type, d.type);
    bag.write(QStringLiteral("ScrollingArrows"), s.scrollingArrows, d.scrollingArrows);
    bag.write(QStringLiteral("VLargeChange"), s.vLargeChange, d.vLargeChange);
    bag.write(QStringLiteral("VSmallChange"), s.vSmallChange, d.vSmallChange);
    bag.write(QStringLiteral("VMax"), s.vMax, d.vMax);
    bag.write(QStringLiteral("VMin"), s.vMin, d.vMin);
    bag.write(QStringLiteral("VValue"), s.vValue, d.vValue);
    bag.write(QStringLiteral("HLargeChange"), s.hLargeChange, d.hLargeChange);
    bag.write(QStringLiteral("HSmallChange"), s.hSmallChange, d.hSmallChange);
    bag.write(QStringLiteral("HMax"), s.hMax, d.hMax);
    bag.write(QStringLiteral("HMin"), s.hMin, d.hMin);
    bag.write(QStringLiteral("HValue"), s.hValue, d.hValue);
    bag.writeBool(QStringLiteral("ShowValue"), s.showValue, d.showValue);
    bag.write(QStringLiteral("ScaleSteps"), s.scaleSteps, d.scaleSteps);
}

// --- Properties -----------------------------------------------------------------------------

void RVTPropGadget::notify(const char* name)
{
    if (m_loading)
        return;
    emit propertyChanged(QString::fromLatin1(name));
}

void RVTPropGadget::notifyAndRefresh(const char* name)
{
    notify(name);
    Refresh();
}

void RVTPropGadget::assign(bool accepted, const char* name, bool refresh)
{
    if (!accepted)
        return;
    notify(name);
    if (refresh)
        Refresh();
}

void RVTPropGadget::setBackColor(gdi::OleColor color)
{
    m_backColor = color;
    notifyAndRefresh("BackColor");
}

void RVTPropGadget::setForeColor(gdi::OleColor color)
{
    m_foreColor = color;
    notifyAndRefresh("ForeColor");
}

void RVTPropGadget::setBorderless(bool on)
{
    m_model.setBorderless(on);
    notifyAndRefresh("Borderless");
}

void RVTPropGadget::setShowValue(bool on)
{
    m_model.setShowValue(on);
    notifyAndRefresh("ShowValue");
}

void RVTPropGadget::setVLargeChange(int v)
{
    assign(m_model.vertical().setLargeChange(v), "VLargeChange", false);
}

void RVTPropGadget::setVSmallChange(int v)
{
    assign(m_model.vertical().setSmallChange(v), "VSmallChange", false);
}

void RVTPropGadget::setVMax(int v)
{
    assign(m_model.vertical().setMax(v), "VMax", true);
}

void RVTPropGadget::setVMin(int v)
{
    assign(m_model.vertical().setMin(v), "VMin", true);
}

void RVTPropGadget::setVValue(int v)
{
    assign(m_model.vertical().setValue(v), "VValue", true);
}

void RVTPropGadget::setHLargeChange(int v)
{
    assign(m_model.horizontal().setLargeChange(v), "HLargeChange", false);
}

void RVTPropGadget::setHSmallChange(int v)
{
    assign(m_model.horizontal().setSmallChange(v), "HSmallChange", false);
}

void RVTPropGadget::setHMax(int v)
{
    assign(m_model.horizontal().setMax(v), "HMax", true);
}

void RVTPropGadget::setHMin(int v)
{
    assign(m_model.horizontal().setMin(v), "HMin", true);
}

void RVTPropGadget::setHValue(int v)
{
    assign(m_model.horizontal().setValue(v), "HValue", true);
}

void RVTPropGadget::setScaleSteps(int steps)
{
    assign(m_model.setScaleSteps(steps), "ScaleSteps", true);
}

void RVTPropGadget::setPropGadgetType(int type)
{
    m_model.setType(type);
    notifyAndRefresh("PropGadgetType");
}

void RVTPropGadget::setScrollingArrows(int layout)
{
    m_model.setScrollingArrows(layout);
    notifyAndRefresh("ScrollingArrows");
}

void RVTPropGadget::setMouseButtonsProbe(std::function<Qt::MouseButtons()> probe)
{
    m_mouseButtons = std::move(probe);
}

QSize RVTPropGadget::sizeHint() const
{
    const int type = m_model.type();
    if ((type & kVerticalAxis) && (type & kHorizontalAxis))
        return {120, 120};
    if (type & kHorizontalAxis)
        return {200, 20};
    return {20, 200};
}

// --- Painting -------------------------------------------------------------------------------

GadgetLook RVTPropGadget::look() const
{
    GadgetLook l;
    l.backColor = ScrollTranslateColor(m_backColor);
    l.foreColor = ScrollTranslateColor(m_foreColor);
    l.palette = palette();
    l.font = font();
    l.enabled = isEnabled();
    l.focused = m_hasFocus;
    return l;
}

void RVTPropGadget::Refresh()
{
    repaintAll();
}

void RVTPropGadget::repaintAll()
{
    m_layout = layOut(m_model, width(), height());
    if (width() <= 0 || height() <= 0) {
        m_surface = QImage();
        return;
    }
    if (m_surface.size() != size())
        m_surface = QImage(size(), QImage::Format_RGB32);
    GadgetRenderer::paintAll(m_surface, m_model, m_layout, look());
    update();
}

void RVTPropGadget::repaintKnob()
{
    m_layout = layOut(m_model, width(), height());
    if (m_surface.isNull() || m_surface.size() != size())
        return repaintAll();
    GadgetRenderer::paintKnob(m_surface, m_model, m_layout, look());
    update();
}

void RVTPropGadget::paintEvent(QPaintEvent*)
{
    if (m_surface.size() != size())
        repaintAll();
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface);
}

void RVTPropGadget::resizeEvent(QResizeEvent*)
{
    repaintAll();
}

void RVTPropGadget::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange: {
        if (!isEnabled())
            stopAutoRepeat();
        const bool ownEnabled = !testAttribute(Qt::WA_ForceDisabled);
        if (ownEnabled != m_ownEnabled) {
            m_ownEnabled = ownEnabled;
            notify("Enabled");
        }
        Refresh();
        break;
    }
    case QEvent::FontChange:
        if (testAttribute(Qt::WA_SetFont))
            notify("Font");
        Refresh();
        break;
    case QEvent::PaletteChange:
        Refresh();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void RVTPropGadget::focusInEvent(QFocusEvent* event)
{
    m_hasFocus = true;
    Refresh();
    QWidget::focusInEvent(event);
}

void RVTPropGadget::focusOutEvent(QFocusEvent* event)
{
    m_hasFocus = false;
    stopAutoRepeat();
    Refresh();
    QWidget::focusOutEvent(event);
}

void RVTPropGadget::hideEvent(QHideEvent* event)
{
    stopAutoRepeat();
    QWidget::hideEvent(event);
}

// --- Input ----------------------------------------------------------------------------------

bool RVTPropGadget::takesInput() const
{
    return isKnownType(m_model.type()) && classOf(m_model.type()) != kIndicatorClass;
}

void RVTPropGadget::step(Arrow arrow, RepeatAction action, int shift)
{
    m_repeatAction = action;
    m_repeatShift = shift;
    // The arrow of the step looks pressed until the next full repaint, whatever started it.
    GadgetRenderer::paintPressedArrow(m_surface, m_model, m_layout, look(), arrow);
    update();
    const bool vertical = arrow == UpArrow || arrow == DownArrow;
    GadgetAxis& axis = vertical ? m_model.vertical() : m_model.horizontal();
    const qint64 size = axis.stepFor(shift);
    // Down and right add; a vertical slider grows upwards, so there up adds too.
    bool adds = arrow == DownArrow || arrow == RightArrow;
    if (vertical && classOf(m_model.type()) != kScrollBarClass)
        adds = !adds;
    axis.add(adds ? size : -size);
}

void RVTPropGadget::pageTowards(double x, double y, int shift)
{
    if (!m_layout.knob)
        return;
    const GdiRect knob = *m_layout.knob;
    if (x < knob.left)
        step(LeftArrow, Paging, shift);
    else if (x > knob.right)
        step(RightArrow, Paging, shift);
    if (y < knob.top)
        step(UpArrow, Paging, shift);
    else if (y > knob.bottom)
        step(DownArrow, Paging, shift);
}

void RVTPropGadget::fireValueChanged()
{
    if (!m_model.changedSinceReport())
        return;
    repaintKnob();
    m_model.markReported();
    emit ValueChanged(VValue(), HValue());
}

void RVTPropGadget::startAutoRepeat()
{
    fireValueChanged();
    m_repeatTimer.start(kFirstRepeatMs);
}

void RVTPropGadget::stopAutoRepeat()
{
    m_repeatTimer.stop();
    m_repeatAction = Idle;
}

void RVTPropGadget::autoRepeatTick()
{
    if (!(m_mouseButtons() & Qt::LeftButton)) {
        // The release never reached us: end the press as a release would.
        stopAutoRepeat();
        Refresh();
        return;
    }
    if (m_repeatAction >= StepUp && m_repeatAction <= StepRight)
        step(arrowOf(m_repeatAction), m_repeatAction, m_repeatShift);
    else if (m_repeatAction == Paging)
        pageTowards(m_mouseX, m_mouseY, m_repeatShift);
    fireValueChanged();
    if (m_repeatTimer.interval() > kRepeatMs)
        m_repeatTimer.setInterval(kRepeatMs);
}

void RVTPropGadget::keyPressEvent(QKeyEvent* event)
{
    const int type = m_model.type();
    const bool vertical = type == VerticalSlider || type == VerticalScrollBar || type == TwoAxisScrollBar;
    const bool horizontal =
        type == HorizontalSlider || type == HorizontalScrollBar || type == TwoAxisScrollBar;
    const int shift = shiftState(event->modifiers());
    if (!takesInput())
        return QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Up:
        if (!vertical)
            return QWidget::keyPressEvent(event);
        step(UpArrow, StepUp, shift);
        break;
    case Qt::Key_Down:
        if (!vertical)
            return QWidget::keyPressEvent(event);
        step(DownArrow, StepDown, shift);
        break;
    case Qt::Key_Left:
        if (!horizontal)
            return QWidget::keyPressEvent(event);
        step(LeftArrow, StepLeft, shift);
        break;
    case Qt::Key_Right:
        if (!horizontal)
            return QWidget::keyPressEvent(event);
        step(RightArrow, StepRight, shift);
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    fireValueChanged();
}

void RVTPropGadget::keyReleaseEvent(QKeyEvent* event)
{
    // The keyboard's own repeat sends a release before every repeated press; only the real
    // release ends the pressed look.
    if (!takesInput() || event->isAutoRepeat())
        return QWidget::keyReleaseEvent(event);
    m_repeatAction = Idle;
    Refresh();
}

void RVTPropGadget::mousePressEvent(QMouseEvent* event)
{
    if (!takesInput())
        return;
    const double x = event->position().x();
    const double y = event->position().y();
    m_mouseX = roundHalfEven(x);
    m_mouseY = roundHalfEven(y);
    if (event->button() != Qt::LeftButton)
        return;
    int shift = shiftState(event->modifiers());
    if (m_layout.knob && hitTest(*m_layout.knob, x, y)) {
        m_repeatAction = Dragging;
        m_grabX = roundHalfEven(x - m_layout.knob->left);
        m_grabY = roundHalfEven(y - m_layout.knob->top);
        m_model.markReported();
        emit ValueChanged(VValue(), HValue());
        return;
    }
    if (hitTest(m_layout.track, x, y)) {
        if (classOf(m_model.type()) == kSliderClass) {
            // Shift or Alt gives the line step on a slider, Ctrl alone the jump to the end.
            if (shift & (kShiftKey | kAltKey))
                shift = 0;
        } else {
            // Paging a scroll bar always moves by the page step.
            shift = (shift & kCtrlKey) + kShiftKey;
        }
        pageTowards(x, y, shift);
        startAutoRepeat();
        return;
    }
    auto pressed = [&](Arrow a) { return m_layout.arrows[a] && hitTest(*m_layout.arrows[a], x, y); };
    const int type = m_model.type();
    const bool vertical = type == VerticalScrollBar || type == TwoAxisScrollBar;
    const bool horizontal = type == HorizontalScrollBar || type == TwoAxisScrollBar;
    if (vertical && pressed(UpArrow))
        step(UpArrow, StepUp, shift);
    else if (vertical && pressed(DownArrow))
        step(DownArrow, StepDown, shift);
    else if (horizontal && pressed(LeftArrow))
        step(LeftArrow, StepLeft, shift);
    else if (horizontal && pressed(RightArrow))
        step(RightArrow, StepRight, shift);
    else
        return;
    startAutoRepeat();
}

void RVTPropGadget::mouseMoveEvent(QMouseEvent* event)
{
    if (!takesInput() || !(event->buttons() & Qt::LeftButton) || m_repeatAction != Dragging)
        return;
    const double x = event->position().x();
    const double y = event->position().y();
    const GdiRect& t = m_layout.track;
    GadgetAxis& v = m_model.vertical();
    GadgetAxis& h = m_model.horizontal();
    auto dragV = [&](int pos) {
        v.setValueFromInput(positionToValue(v, pos, t.top, t.height(), m_layout.vKnobLength));
    };
    auto dragH = [&](int pos) {
        h.setValueFromInput(positionToValue(h, pos, t.left, t.width(), m_layout.hKnobLength));
    };
    switch (m_model.type()) {
    case VerticalScrollBar:
        dragV(roundHalfEven(y - m_grabY));
        break;
    case TwoAxisScrollBar:
        dragV(roundHalfEven(y - m_grabY));
        dragH(roundHalfEven(x - m_grabX));
        break;
    case HorizontalSlider:
    case HorizontalScrollBar:
        dragH(roundHalfEven(x - m_grabX));
        break;
    case VerticalSlider:
        // The slider's value grows upwards: measure the knob's distance from its lowest place.
        dragV(roundHalfEven(t.top + (t.bottom - m_layout.vKnobLength) - (y - m_grabY)));
        break;
    default:
        break;
    }
    fireValueChanged();
}

void RVTPropGadget::mouseReleaseEvent(QMouseEvent*)
{
    if (!takesInput())
        return;
    stopAutoRepeat();
    Refresh();
}

} // namespace velmo
