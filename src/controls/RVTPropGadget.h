#pragma once

// A proportional scroll gadget: one or two integer values shown as a knob in a patterned track,
// as a level indicator, a slider or a scroll bar, changed with the mouse and the arrow keys.
//
// For a host such as the main window's due panel (a vertical scroll bar, VMin 0, VMax 10):
//
//   auto* gadget = new RVTPropGadget(this);
//   gadget->setBackColor(0xFAE0AB);                     // 0x00BBGGRR
//   gadget->setVMax(10);                                // VMin is 0 by default
//   gadget->setVValue(0);
//   connect(gadget, &RVTPropGadget::ValueChanged, this, [](int newV, int newH) { ... });
//
// ValueChanged(NewVValue, NewHValue) carries the current VValue and HValue. It comes only from
// the user: a left press on the knob raises it at once (even though nothing moved, so the host
// can take up the gadget's position), and after that only a real change of either value raises
// it: a drag, a press on the track or an arrow and its auto-repeat, an arrow key.
//
// Assigning a property never raises ValueChanged. setVValue(v) stores v only when
// VMin <= v <= VMax and then repaints; any other v is ignored without an error, leaving the value,
// the picture and the property notice as they were. This is the call for a host's mouse-wheel
// handling: it may simply try VValue() + 1 or - 1 and let the gadget refuse what is out of range.
//
// Every accepted assignment reports the property's name through propertyChanged(); the checks
// are: VMin < VMax <= 32767, 0 <= VMin < VMax, 0 < VSmallChange < VLargeChange,
// VSmallChange < VLargeChange < VMax - VMin, 0 <= ScaleSteps <= 32767 (H the same). Narrowing a
// range leaves a value outside it as it is. Setting PropGadgetType or ScrollingArrows fits the
// arrow layout to the type (a slider or indicator has no arrows, a vertical bar no horizontal
// layout, and so on). Colours are stored as 0x00BBGGRR or 0x80000000 + a system colour index.
//
// Enabled and Font are QWidget's own (setEnabled, setFont); a change of either is reported and
// repaints.

#include "controls/PropertyBag.h"
#include "controls/gadget/GadgetGeometry.h"
#include "controls/gadget/GadgetModel.h"
#include "controls/gadget/GadgetRenderer.h"
#include "controls/gdi/SystemColors.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace velmo {

class RVTPropGadget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool Borderless READ Borderless WRITE setBorderless)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(int VLargeChange READ VLargeChange WRITE setVLargeChange)
    Q_PROPERTY(int VSmallChange READ VSmallChange WRITE setVSmallChange)
    Q_PROPERTY(int HLargeChange READ HLargeChange WRITE setHLargeChange)
    Q_PROPERTY(int HSmallChange READ HSmallChange WRITE setHSmallChange)
    Q_PROPERTY(int VMax READ VMax WRITE setVMax)
    Q_PROPERTY(int VMin READ VMin WRITE setVMin)
    Q_PROPERTY(int VValue READ VValue WRITE setVValue)
    Q_PROPERTY(int HMax READ HMax WRITE setHMax)
    Q_PROPERTY(int HMin READ HMin WRITE setHMin)
    Q_PROPERTY(int HValue READ HValue WRITE setHValue)
    Q_PROPERTY(int ScaleSteps READ ScaleSteps WRITE setScaleSteps)
    Q_PROPERTY(bool ShowValue READ ShowValue WRITE setShowValue)
    Q_PROPERTY(int PropGadgetType READ PropGadgetType WRITE setPropGadgetType)
    Q_PROPERTY(int ScrollingArrows READ ScrollingArrows WRITE setScrollingArrows)

public:
    // A new instance: every property at its default, colours and font from the host.
    explicit RVTPropGadget(QWidget* parent = nullptr);
    ~RVTPropGadget() override;

    // The host's colours and font, the defaults of BackColor, ForeColor and Font.
    static constexpr gdi::OleColor kAmbientBackColor = gdi::kSystemColorFlag + gdi::ButtonFace;
    static constexpr gdi::OleColor kAmbientForeColor = gdi::kSystemColorFlag + gdi::ButtonText;
    QFont ambientFont() const;

    // A stored colour as drawn: a plain colour as it is, a system colour from the palette; a
    // colour that cannot be resolved draws black.
    gdi::ColorRef ScrollTranslateColor(gdi::OleColor color) const;

    // Loads a stored instance. Every value goes through the same checks as its property, so a
    // damaged set can never leave an empty range, a value outside its range or an arrow layout
    // the type does not have; a refused value falls back to its default.
    void readProperties(const PropertyBag& bag);
    // Saves the nineteen properties, leaving out those at their defaults.
    void writeProperties(PropertyBag& bag) const;

    gdi::OleColor BackColor() const { return m_backColor; }
    void setBackColor(gdi::OleColor color);
    gdi::OleColor ForeColor() const { return m_foreColor; }
    void setForeColor(gdi::OleColor color);
    bool Borderless() const { return m_model.borderless(); }
    void setBorderless(bool on);
    bool ShowValue() const { return m_model.showValue(); }
    void setShowValue(bool on);

    int VLargeChange() const { return m_model.vertical().largeChange(); }
    void setVLargeChange(int v);
    int VSmallChange() const { return m_model.vertical().smallChange(); }
    void setVSmallChange(int v);
    int VMax() const { return m_model.vertical().max(); }
    void setVMax(int v);
    int VMin() const { return m_model.vertical().min(); }
    void setVMin(int v);
    int VValue() const { return m_model.vertical().value(); }
    void setVValue(int v);
    int HLargeChange() const { return m_model.horizontal().largeChange(); }
    void setHLargeChange(int v);
    int HSmallChange() const { return m_model.horizontal().smallChange(); }
    void setHSmallChange(int v);
    int HMax() const { return m_model.horizontal().max(); }
    void setHMax(int v);
    int HMin() const { return m_model.horizontal().min(); }
    void setHMin(int v);
    int HValue() const { return m_model.horizontal().value(); }
    void setHValue(int v);
    int ScaleSteps() const { return m_model.scaleSteps(); }
    void setScaleSteps(int steps);
    int PropGadgetType() const { return m_model.type(); }
    void setPropGadgetType(int type);
    int ScrollingArrows() const { return m_model.scrollingArrows(); }
    void setScrollingArrows(int layout);

    // Repaints the whole gadget at once.
    void Refresh();

    // The picture as it stands, the size of the widget.
    const QImage& surface() const { return m_surface; }
    // The layout of the last full repaint or knob repaint.
    const gadget::GadgetLayout& layout() const { return m_layout; }
    bool isAutoRepeating() const { return m_repeatTimer.isActive(); }
    int autoRepeatInterval() const { return m_repeatTimer.interval(); }

    // Which mouse buttons are down; the auto-repeat stops at a tick that finds the left one up
    // (a release can be lost, for example to a window that grabbed the mouse).
    void setMouseButtonsProbe(std::function<Qt::MouseButtons()> probe);

    QSize sizeHint() const override;

signals:
    void ValueChanged(int NewVValue, int NewHValue);
    // An accepted property assignment, by the property's name.
    void propertyChanged(const QString& name);

public slots:
    // One auto-repeat step while a press on an arrow or the track is held.
    void autoRepeatTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What the repeat timer steps, as set by the last step.
    enum RepeatAction : int
    {
        Idle = 0,
        StepUp = 1,
        StepDown = 2,
        StepLeft = 3,
        StepRight = 4,
        Paging = 5,
        Dragging = 6
    };
    static gadget::Arrow arrowOf(RepeatAction stepAction) { return gadget::Arrow(stepAction - StepUp); }

    gadget::GadgetLook look() const;
    void repaintAll();
    void repaintKnob();
    void notify(const char* name);
    void notifyAndRefresh(const char* name);
    // Stores through an axis setter, then notifies (and refreshes) when the value was taken.
    void assign(bool accepted, const char* name, bool refresh);

    bool takesInput() const;
    // One step of the value in the arrow's direction, by the step size the shift state picks.
    void step(gadget::Arrow arrow, RepeatAction action, int shift);
    void pageTowards(double x, double y, int shift);
    void fireValueChanged();
    void startAutoRepeat();
    void stopAutoRepeat();

    gadget::GadgetModel m_model;
    gdi::OleColor m_backColor = kAmbientBackColor;
    gdi::OleColor m_foreColor = kAmbientForeColor;
    QImage m_surface;
    gadget::GadgetLayout m_layout;
    bool m_hasFocus = false;
    bool m_ownEnabled = true;
    bool m_loading = false;

    RepeatAction m_repeatAction = Idle;
    int m_repeatShift = 0;
    int m_mouseX = 0;
    int m_mouseY = 0;
    int m_grabX = 0;
    int m_grabY = 0;
    QTimer m_repeatTimer;
    std::function<Qt::MouseButtons()> m_mouseButtons;
};

} // namespace velmo
