#pragma once

// KvButton: an owner-drawn image button with fourteen face styles (ButtonStyle 0..13), push,
// check and option modes, picture effects, its own tooltip and an optional drop-down menu.
//
// A button built from a stored property set (a window's design), as the program's toolbars do:
//
//   const PropertyBag stored{{"ButtonStyle", 8},
//                            {"Caption", QStringLiteral("新建备忘录")},
//                            {"BackColor", 0xFDECE0u},
//                            {"Mode", 2},  // option buttons: the clicked one stays checked
//                            {"PictureNormal", QVariant::fromValue(KvPicture::fromIcon(icon, {24, 24}))},
//                            {"PictureAlign", 0},
//                            {"PictureShadow", -1},
//                            {"MaskColor", -1}};
//   auto* button = new KvButton(stored, toolbar, /*index*/ 0);
//   button->setGeometry(8, 4, 105, 39);
//   connect(button, &KvButton::Click, this, &MainWindow::buttonClicked);  // void buttonClicked(int index)
//
// Keys missing from the set take the loading defaults (ButtonStyle 1, Caption "kvbutton", ...);
// `new KvButton(parent)` instead makes a newly placed button (ButtonStyle 13, the new-instance
// defaults). writeProperties() gives the set back, leaving out every default value. Colours are
// stored as 0x00BBGGRR or as 0x80000000 + a system colour index; yes/no values as -1 / 0.
//
// Each property assignment redraws as needed and reports the property's name through
// propertyChanged(). The face is painted into faceImage() and copied to the screen; it is
// current even while the button is hidden.

#include "controls/PropertyBag.h"
#include "controls/kvbutton/KvButtonModel.h"
#include "controls/kvbutton/KvButtonRenderer.h"
#include "controls/kvbutton/KvToolTip.h"

#include <QPointer>
#include <QWidget>

class QMenu;
class QAction;
class QPushButton;
class QShortcut;

namespace velmo {

// Answers about the platform that the button asks once. The defaults describe this desktop;
// tests change them to take the other branches.
struct KvButtonProbes
{
    bool themed = true;          // visual styles on: ButtonStyle 13 draws the platform button
    bool trackMouseLeave = true; // the pointer leaving the button is reported
    bool unicodeText = true;     // captions are Unicode; otherwise they pass through GBK
};

// What the hosting window tells the button about itself.
struct KvButtonHost
{
    QString displayName = QStringLiteral("kvbutton1"); // caption of a newly placed button
    bool userMode = true;                              // run time rather than design time
    KvButtonProbes probes;
};

class KvButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(uint BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(int ButtonStyle READ buttonStyle WRITE setButtonStyle)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(int CaptionAlign READ captionAlign WRITE setCaptionAlign)
    Q_PROPERTY(int DropDownSymbol READ dropDownSymbol WRITE setDropDownSymbol)
    Q_PROPERTY(bool DropDownSeparator READ dropDownSeparator WRITE setDropDownSeparator)
    Q_PROPERTY(int DisabledPictureMode READ disabledPictureMode WRITE setDisabledPictureMode)
    Q_PROPERTY(bool Enabled READ isButtonEnabled WRITE setEnabled)
    Q_PROPERTY(QFont Font READ captionFont WRITE setCaptionFont)
    Q_PROPERTY(uint ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(uint ForeColorHover READ foreColorHover WRITE setForeColorHover)
    Q_PROPERTY(bool HandPointer READ handPointer WRITE setHandPointer)
    Q_PROPERTY(uint MaskColor READ maskColor WRITE setMaskColor)
    Q_PROPERTY(int Mode READ mode WRITE setMode)
    Q_PROPERTY(velmo::KvPicture MouseIcon READ mouseIcon WRITE setMouseIcon)
    Q_PROPERTY(int MousePointer READ mousePointer WRITE setMousePointer)
    Q_PROPERTY(velmo::KvPicture PictureNormal READ pictureNormal WRITE setPictureNormal)
    Q_PROPERTY(velmo::KvPicture PictureHot READ pictureHot WRITE setPictureHot)
    Q_PROPERTY(velmo::KvPicture PictureDown READ pictureDown WRITE setPictureDown)
    Q_PROPERTY(int PictureAlign READ pictureAlign WRITE setPictureAlign)
    Q_PROPERTY(bool PictureShadow READ pictureShadow WRITE setPictureShadow)
    Q_PROPERTY(int PictureEffectOnOver READ pictureEffectOnOver WRITE setPictureEffectOnOver)
    Q_PROPERTY(int PictureEffectOnDown READ pictureEffectOnDown WRITE setPictureEffectOnDown)
    Q_PROPERTY(bool PicturePushOnHover READ picturePushOnHover WRITE setPicturePushOnHover)
    Q_PROPERTY(int PictureOpacity READ pictureOpacity WRITE setPictureOpacity)
    Q_PROPERTY(int PictureOpacityOnOver READ pictureOpacityOnOver WRITE setPictureOpacityOnOver)
    Q_PROPERTY(bool RightToLeft READ rightToLeft WRITE setRightToLeft)
    Q_PROPERTY(int CaptionEffects READ captionEffects WRITE setCaptionEffects)
    Q_PROPERTY(bool ShowFocusRect READ showFocusRect WRITE setShowFocusRect)
    Q_PROPERTY(bool UseMaskColor READ useMaskColor WRITE setUseMaskColor)
    Q_PROPERTY(bool Value READ value WRITE setValue)
    Q_PROPERTY(QString TooltipTitle READ tooltipTitle WRITE setTooltipTitle)
    Q_PROPERTY(QString ToolTip READ buttonToolTip WRITE setButtonToolTip)
    Q_PROPERTY(uint TooltipBackColor READ tooltipBackColor WRITE setTooltipBackColor)
    Q_PROPERTY(int ToolTipIcon READ toolTipIcon WRITE setToolTipIcon)
    Q_PROPERTY(int ToolTipType READ toolTipType WRITE setToolTipType)
    Q_PROPERTY(int ColorScheme READ colorScheme WRITE setColorScheme)

public:
    // A newly placed button (ButtonStyle 13, caption = the host's display name).
    explicit KvButton(QWidget* parent = nullptr, const KvButtonHost& host = {});
    // A button loaded from its stored property set; index is its place in a button array
    // (passed with Click), -1 for none.
    KvButton(const PropertyBag& stored, QWidget* parent, int index = -1, const KvButtonHost& host = {});
    ~KvButton() override;

    // The stored property set, without the values equal to their defaults.
    PropertyBag writeProperties() const;
    int index() const { return m_index; }

    gdi::OleColor backColor() const { return m_model.props.backColor; }
    void setBackColor(gdi::OleColor color);
    int buttonStyle() const { return m_model.props.buttonStyle; }
    void setButtonStyle(int style);
    QString caption() const { return m_model.props.caption; }
    void setCaption(const QString& caption);
    int captionAlign() const { return m_model.props.captionAlign; }
    void setCaptionAlign(int align);
    int dropDownSymbol() const { return m_model.props.dropDownSymbol; }
    void setDropDownSymbol(int symbol);
    bool dropDownSeparator() const { return m_model.props.dropDownSeparator; }
    void setDropDownSeparator(bool on);
    int disabledPictureMode() const { return m_model.props.disabledPictureMode; }
    void setDisabledPictureMode(int mode);
    bool isButtonEnabled() const { return m_model.props.enabled; }
    void setEnabled(bool enabled);
    QFont captionFont() const { return m_model.props.font; }
    void setCaptionFont(const QFont& font);
    gdi::OleColor foreColor() const { return m_model.props.foreColor; }
    void setForeColor(gdi::OleColor color);
    gdi::OleColor foreColorHover() const { return m_model.props.foreColorHover; }
    void setForeColorHover(gdi::OleColor color);
    bool handPointer() const { return m_model.props.handPointer; }
    void setHandPointer(bool on);
    gdi::OleColor maskColor() const { return m_model.props.maskColor; }
    void setMaskColor(gdi::OleColor color);
    int mode() const { return m_model.props.mode; }
    void setMode(int mode);
    KvPicture mouseIcon() const { return m_model.props.mouseIcon; }
    void setMouseIcon(const KvPicture& icon);
    int mousePointer() const { return m_model.props.mousePointer; }
    void setMousePointer(int pointer);
    KvPicture pictureNormal() const { return m_model.props.pictureNormal; }
    void setPictureNormal(const KvPicture& picture);
    KvPicture pictureHot() const { return m_model.props.pictureHot; }
    void setPictureHot(const KvPicture& picture);
    KvPicture pictureDown() const { return m_model.props.pictureDown; }
    void setPictureDown(const KvPicture& picture);
    int pictureAlign() const { return m_model.props.pictureAlign; }
    void setPictureAlign(int align);
    bool pictureShadow() const { return m_model.props.pictureShadow; }
    void setPictureShadow(bool on);
    int pictureEffectOnOver() const { return m_model.props.pictureEffectOnOver; }
    void setPictureEffectOnOver(int effect);
    int pictureEffectOnDown() const { return m_model.props.pictureEffectOnDown; }
    void setPictureEffectOnDown(int effect);
    bool picturePushOnHover() const { return m_model.props.picturePushOnHover; }
    void setPicturePushOnHover(bool on);
    int pictureOpacity() const { return m_model.props.pictureOpacity; }
    void setPictureOpacity(int opacity);
    int pictureOpacityOnOver() const { return m_model.props.pictureOpacityOnOver; }
    void setPictureOpacityOnOver(int opacity);
    bool rightToLeft() const { return m_model.props.rightToLeft; }
    void setRightToLeft(bool on);
    int captionEffects() const { return m_model.props.captionEffects; }
    void setCaptionEffects(int effects);
    bool showFocusRect() const { return m_model.props.showFocusRect; }
    void setShowFocusRect(bool on);
    bool useMaskColor() const { return m_model.props.useMaskColor; }
    void setUseMaskColor(bool on);
    bool value() const { return m_model.props.value; }
    void setValue(bool value);
    QString tooltipTitle() const { return m_model.props.tooltipTitle; }
    void setTooltipTitle(const QString& title);
    QString buttonToolTip() const { return m_model.props.toolTip; }
    void setButtonToolTip(const QString& text);
    gdi::OleColor tooltipBackColor() const { return m_model.props.tooltipBackColor; }
    void setTooltipBackColor(gdi::OleColor color);
    int toolTipIcon() const { return m_model.props.toolTipIcon; }
    void setToolTipIcon(int icon);
    int toolTipType() const { return m_model.props.toolTipType; }
    void setToolTipType(int type);
    int colorScheme() const { return m_model.props.colorScheme; }
    void setColorScheme(int scheme);

    // Drop-down menu shown instead of pressing the button. Align: 0 below, 1 above, 2 left,
    // 3 right, 4 above-left, 5 below-left, 6 above from the right edge, 7 below-right; flags
    // 4 centre, 8 right-align, 16 centre vertically, 32 bottom-align the menu on its point.
    void setPopupMenu(QMenu* menu, int align = 0, int flags = 0, QAction* defaultItem = nullptr);
    void unsetPopupMenu();
    // Opens a web address in the user's browser.
    void openWebsite(const QString& address);
    // Shows a short, non-modal note about the control.
    void about();

    // The access key derived from the caption ("" for none).
    QString accessKey() const { return m_accessKey; }
    // The host's notice that the access key (or, for a default or cancel button, Enter 13 or
    // Escape 27) was pressed.
    void accessKeyPress(int keyAscii);
    // The host shows this button as its default button.
    void setDisplayAsDefault(bool on);

    // Inspection: the painted face, the model and the layout of the last paint.
    // The face is brought up to the button's size first (a hidden button is resized without
    // a resize notice).
    const QImage& faceImage();
    const KvButtonModel& model() const { return m_model; }
    const KvButtonRenderer& renderer() const { return m_renderer; }
    // The tooltip the pointer would show now (empty text: none).
    const KvToolTipContent& toolTipContent() const { return m_tipContent; }
    KvToolTipWindow* toolTipWindow() const { return m_tipWindow; }
    // Repaints the face now.
    void redraw();

signals:
    void Click(int index);
    void DblClick();
    void MouseEnter();
    void MouseLeave();
    // Button: 1 left, 2 right, 4 middle; Shift: 1 Shift, 2 Ctrl, 4 Alt; X, Y in pixels.
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void KeyDown(int keyCode, int shift);
    void KeyUp(int keyCode, int shift);
    void KeyPress(int keyAscii);
    // A property was assigned; name as it is stored (e.g. "BackColor", "TooltipBackcolor").
    void propertyChanged(const QString& name);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The enabled default button of the dialog the button is in, which Enter belongs to.
    QPushButton* hostDefaultButton() const;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void initNewInstance();
    void readProperties(const PropertyBag& bag);
    void startRunTime();
    void commonSetup();
    KvRenderEnvironment environment() const;
    void report(const QString& name) { emit propertyChanged(name); }
    void fontChanged();
    void applyRegion(const QRegion& region);
    void createButtonRegion();
    void applyCursor();
    void setAccessKeyFromCaption();
    // Sets the drawing state; redraws when it changed.
    void changeState(int state);
    bool pointerInside(const QPointF& pos) const;
    bool pointerOverButtonNow() const;
    void pressDown(int button, int shift, double x, double y);
    void uncheckOtherOptions();
    void takeCapture();
    void releaseCapture();
    void cancelSpace();
    void hostActivation(bool active);
    void mouseLeft();
    void createToolTip();
    void hideToolTip();
    void showDropDownMenu();
    void dropDownMenuClosed();
    QFont ambientFont() const;

    KvButtonModel m_model;
    KvButtonRenderer m_renderer;
    QImage m_face;
    KvButtonHost m_host;
    int m_index = -1;
    bool m_runTime = false;
    bool m_trackAvailable = false;
    bool m_captured = false;
    int m_lastButton = 0;
    int m_lastShift = 0;
    double m_lastX = 0;
    double m_lastY = 0;
    QString m_accessKey;
    QShortcut* m_accessShortcut = nullptr;

    QPointer<QMenu> m_menu;
    QPointer<QAction> m_defaultItem;
    int m_menuAlign = 0;
    int m_menuFlags = 0;
    bool m_popupEnabled = false;
    bool m_menuShowing = false;
    bool m_menuClosedOverButton = false;

    KvToolTipContent m_tipContent;
    KvToolTipWindow* m_tipWindow = nullptr;
};

} // namespace velmo
