#include "controls/kvbutton/KvButton.h"

#include "controls/gdi/ColorMath.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>

namespace velmo {

using namespace gdi;

namespace {

// The smallest side a button keeps (220 twips).
constexpr int kMinimumSide = 15;

int mouseButtonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return ((modifiers & Qt::ShiftModifier) ? 1 : 0) | ((modifiers & Qt::ControlModifier) ? 2 : 0) |
           ((modifiers & Qt::AltModifier) ? 4 : 0);
}

// Key codes as the button's key events report them.
int keyCode(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

Qt::CursorShape cursorShape(int pointer)
{
    switch (pointer) {
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    default:
        return Qt::ArrowCursor;
    }
}

OleColor colorOf(const QVariant& value)
{
    return OleColor(quint32(value.toLongLong()));
}

} // namespace

KvButton::KvButton(QWidget* parent, const KvButtonHost& host)
    : QWidget(parent)
    , m_host(host)
{
    commonSetup();
    initNewInstance();
    startRunTime();
}

KvButton::KvButton(const PropertyBag& stored, QWidget* parent, int index, const KvButtonHost& host)
    : QWidget(parent)
    , m_host(host)
    , m_index(index)
{
    commonSetup();
    readProperties(stored);
    startRunTime();
}

KvButton::~KvButton()
{
    unsetPopupMenu();
    releaseCapture();
}

void KvButton::commonSetup()
{
    setMinimumSize(kMinimumSide, kMinimumSide);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void KvButton::startRunTime()
{
    // Hover tracking, theme and activation notices only exist at run time.
    m_runTime = m_host.userMode;
    m_trackAvailable = m_runTime && m_host.probes.trackMouseLeave;
}

KvRenderEnvironment KvButton::environment() const
{
    KvRenderEnvironment env;
    env.palette = palette();
    env.themed = m_host.probes.themed;
    env.unicodeText = m_host.probes.unicodeText;
    env.userMode = m_host.userMode;
    env.widget = this;
    return env;
}

QFont KvButton::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void KvButton::initNewInstance()
{
    KvButtonProperties& p = m_model.props;
    p = KvButtonProperties{};
    p.showFocusRect = true;
    p.enabled = true;
    p.buttonStyle = 13;
    p.caption = m_host.displayName;
    QFont face = font();
    face.setFamily(QStringLiteral("Tahoma"));
    p.font = face;
    fontChanged();
    p.pictureOpacity = 255;
    p.pictureOpacityOnOver = 255;
    p.pictureAlign = 1;
    p.captionAlign = 1;
    p.useMaskColor = true;
    p.maskColor = 0xE0E0E0;
    applyDefaultColorScheme(p);
    applyDefaultBackColor(p, palette());
    setAccessKeyFromCaption();
    redraw();
}

void KvButton::readProperties(const PropertyBag& bag)
{
    const QPalette pal = palette();
    const OleColor buttonFace = sysColor(ButtonFace, pal);
    const OleColor buttonText = translateColor(systemColor(ButtonText), pal);
    const OleColor infoBack = translateColor(systemColor(InfoBackground), pal);
    KvButtonProperties& p = m_model.props;
    p = KvButtonProperties{};

    p.buttonStyle = bag.read(QStringLiteral("ButtonStyle"), 1).toInt();
    p.showFocusRect = bag.readBool(QStringLiteral("ShowFocusRect"), false);
    const QVariant storedFont = bag.read(QStringLiteral("Font"));
    QFont font = ambientFont();
    if (storedFont.typeId() == QMetaType::QFont)
        font = storedFont.value<QFont>();
    else if (storedFont.typeId() == QMetaType::QString)
        font.fromString(storedFont.toString());
    p.font = font;
    QWidget::setFont(font);
    p.backColor = colorOf(bag.read(QStringLiteral("BackColor"), buttonFace));
    p.enabled = bag.readBool(QStringLiteral("Enabled"), true);
    p.caption = bag.read(QStringLiteral("Caption"), QStringLiteral("kvbutton")).toString();
    p.value = bag.readBool(QStringLiteral("Value"), false);
    p.mousePointer = qint16(bag.read(QStringLiteral("MousePointer"), 0).toInt());
    p.handPointer = bag.readBool(QStringLiteral("HandPointer"), false);
    p.mouseIcon = KvPicture::fromVariant(bag.read(QStringLiteral("MouseIcon")));
    p.pictureNormal = KvPicture::fromVariant(bag.read(QStringLiteral("PictureNormal")));
    p.pictureHot = KvPicture::fromVariant(bag.read(QStringLiteral("PictureHot")));
    p.pictureDown = KvPicture::fromVariant(bag.read(QStringLiteral("PictureDown")));
    p.pictureShadow = bag.readBool(QStringLiteral("PictureShadow"), false);
    p.pictureOpacity = quint8(bag.read(QStringLiteral("PictureOpacity"), 255).toInt());
    p.pictureOpacityOnOver = quint8(bag.read(QStringLiteral("PictureOpacityOnOver"), 255).toInt());
    p.disabledPictureMode = bag.read(QStringLiteral("DisabledPictureMode"), 0).toInt();
    p.picturePushOnHover = bag.readBool(QStringLiteral("PicturePushOnHover"), false);
    p.pictureEffectOnOver = bag.read(QStringLiteral("PictureEffectOnOver"), 1).toInt();
    p.pictureEffectOnDown = bag.read(QStringLiteral("PictureEffectOnDown"), 2).toInt();
    p.maskColor = colorOf(bag.read(QStringLiteral("MaskColor"), 0xE0E0E0));
    p.useMaskColor = bag.readBool(QStringLiteral("UseMaskColor"), true);
    p.captionEffects = bag.read(QStringLiteral("CaptionEffects"), 0).toInt();
    p.mode = bag.read(QStringLiteral("Mode"), 0).toInt();
    p.pictureAlign = bag.read(QStringLiteral("PictureAlign"), 1).toInt();
    p.captionAlign = bag.read(QStringLiteral("CaptionAlign"), 1).toInt();
    p.foreColor = colorOf(bag.read(QStringLiteral("ForeColor"), buttonText));
    p.foreColorHover = colorOf(bag.read(QStringLiteral("ForeColorHover"), buttonText));
    p.dropDownSeparator = bag.readBool(QStringLiteral("DropDownSeparator"), false);
    p.tooltipTitle = bag.read(QStringLiteral("TooltipTitle"), QString()).toString();
    p.toolTip = bag.read(QStringLiteral("ToolTip"), QString()).toString();
    p.toolTipIcon = bag.read(QStringLiteral("TooltipIcon"), 0).toInt();
    p.toolTipType = bag.read(QStringLiteral("TooltipType"), 0).toInt();
    p.tooltipBackColor = colorOf(bag.read(QStringLiteral("TooltipBackColor"), infoBack));
    m_model.run.tooltipRightToLeft = bag.readBool(QStringLiteral("RightToLeft"), false);
    p.rightToLeft = bag.readBool(QStringLiteral("RightToLeft"), false);
    p.dropDownSymbol = bag.read(QStringLiteral("DropDownSymbol"), 0).toInt();
    p.colorScheme = clampColorScheme(bag.read(QStringLiteral("ColorScheme"), 0).toInt());

    QWidget::setEnabled(p.enabled);
    setAccessKeyFromCaption();
    applyCursor();
    createButtonRegion();
    redraw();
}

PropertyBag KvButton::writeProperties() const
{
    const QPalette pal = palette();
    const OleColor buttonFace = sysColor(ButtonFace, pal);
    const OleColor buttonText = translateColor(systemColor(ButtonText), pal);
    const OleColor infoBack = translateColor(systemColor(InfoBackground), pal);
    const KvButtonProperties& p = m_model.props;
    PropertyBag bag;
    auto picture = [&](const QString& key, const KvPicture& value) {
        if (!value.isNull())
            bag.write(key, QVariant::fromValue(value));
    };
    bag.write(QStringLiteral("ButtonStyle"), p.buttonStyle, 1);
    bag.writeBool(QStringLiteral("ShowFocusRect"), p.showFocusRect, false);
    bag.writeBool(QStringLiteral("Enabled"), p.enabled, true);
    bag.write(QStringLiteral("Font"), p.font, ambientFont());
    bag.write(QStringLiteral("BackColor"), p.backColor, buttonFace);
    bag.write(QStringLiteral("Caption"), p.caption, QStringLiteral("kvbutton1"));
    bag.write(QStringLiteral("ForeColor"), p.foreColor, buttonText);
    bag.write(QStringLiteral("ForeColorHover"), p.foreColorHover, buttonText);
    bag.write(QStringLiteral("Mode"), p.mode, 0);
    bag.writeBool(QStringLiteral("Value"), p.value, false);
    bag.write(QStringLiteral("MousePointer"), QVariant::fromValue<qint16>(qint16(p.mousePointer)),
              QVariant::fromValue<qint16>(0));
    bag.writeBool(QStringLiteral("HandPointer"), p.handPointer, false);
    picture(QStringLiteral("MouseIcon"), p.mouseIcon);
    picture(QStringLiteral("PictureNormal"), p.pictureNormal);
    picture(QStringLiteral("PictureHot"), p.pictureHot);
    picture(QStringLiteral("PictureDown"), p.pictureDown);
    bag.write(QStringLiteral("PictureAlign"), p.pictureAlign, 1);
    bag.write(QStringLiteral("PictureEffectOnOver"), p.pictureEffectOnOver, 1);
    bag.write(QStringLiteral("PictureEffectOnDown"), p.pictureEffectOnDown, 2);
    bag.writeBool(QStringLiteral("PicturePushOnHover"), p.picturePushOnHover, false);
    bag.writeBool(QStringLiteral("PictureShadow"), p.pictureShadow, false);
    bag.write(QStringLiteral("PictureOpacity"), int(p.pictureOpacity), 255);
    bag.write(QStringLiteral("PictureOpacityOnOver"), int(p.pictureOpacityOnOver), 255);
    bag.write(QStringLiteral("DisabledPictureMode"), p.disabledPictureMode, 0);
    bag.write(QStringLiteral("CaptionEffects"), p.captionEffects, 0);
    bag.writeBool(QStringLiteral("UseMaskColor"), p.useMaskColor, true);
    bag.write(QStringLiteral("MaskColor"), p.maskColor, 0xE0E0E0u);
    bag.write(QStringLiteral("CaptionAlign"), p.captionAlign, 1);
    bag.write(QStringLiteral("ToolTip"), p.toolTip, QString());
    bag.write(QStringLiteral("TooltipType"), p.toolTipType, 0);
    bag.write(QStringLiteral("TooltipIcon"), p.toolTipIcon, 0);
    bag.write(QStringLiteral("TooltipTitle"), p.tooltipTitle, QString());
    bag.write(QStringLiteral("TooltipBackColor"), p.tooltipBackColor, infoBack);
    bag.writeBool(QStringLiteral("RightToLeft"), p.rightToLeft, false);
    bag.write(QStringLiteral("DropDownSymbol"), p.dropDownSymbol, 0);
    bag.writeBool(QStringLiteral("DropDownSeparator"), p.dropDownSeparator, false);
    bag.write(QStringLiteral("ColorScheme"), p.colorScheme, 0);
    return bag;
}

const QImage& KvButton::faceImage()
{
    if (m_face.size() != size())
        redraw();
    return m_face;
}

void KvButton::redraw()
{
    m_renderer.redraw(m_model, m_face, width(), height(), environment());
    if (std::optional<QRegion> region = m_renderer.takeRegion())
        applyRegion(*region);
    update();
}

void KvButton::applyRegion(const QRegion& region)
{
    if (region == mask())
        return;
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

void KvButton::createButtonRegion()
{
    applyRegion(KvButtonRenderer::buttonRegion(m_model.props.buttonStyle, width(), height()));
}

void KvButton::changeState(int state)
{
    if (m_model.run.buttonState == state)
        return;
    m_model.run.buttonState = state;
    redraw();
}

void KvButton::fontChanged()
{
    QWidget::setFont(m_model.props.font);
    repaint();
    redraw();
    report(QStringLiteral("Font"));
}

void KvButton::applyCursor()
{
    const KvButtonProperties& p = m_model.props;
    if (p.handPointer)
        setCursor(Qt::PointingHandCursor);
    else if (p.mousePointer == 99 && !p.mouseIcon.isNull())
        setCursor(QCursor(QPixmap::fromImage(p.mouseIcon.image())));
    else if (p.mousePointer == 0)
        unsetCursor();
    else
        setCursor(cursorShape(p.mousePointer));
}

void KvButton::setAccessKeyFromCaption()
{
    m_accessKey = accessKeyOfCaption(m_model.props.caption);
    delete m_accessShortcut;
    m_accessShortcut = nullptr;
    if (m_accessKey.isEmpty())
        return;
    m_accessShortcut = new QShortcut(QKeySequence(QStringLiteral("Alt+") + m_accessKey), this);
    m_accessShortcut->setContext(Qt::WindowShortcut);
    const int ascii = m_accessKey.at(0).unicode();
    connect(m_accessShortcut, &QShortcut::activated, this, [this, ascii] { accessKeyPress(ascii); });
}

// Properties -----------------------------------------------------------------------------------

void KvButton::setBackColor(OleColor color)
{
    m_model.props.backColor = color;
    if (m_model.props.buttonStyle != 4)
        m_model.props.colorScheme = 3;
    redraw();
    report(QStringLiteral("BackColor"));
}

void KvButton::setButtonStyle(int style)
{
    m_model.props.buttonStyle = style;
    applyDefaultColorScheme(m_model.props);
    applyDefaultBackColor(m_model.props, palette());
    createButtonRegion();
    redraw();
    report(QStringLiteral("ButtonStyle"));
}

void KvButton::setCaption(const QString& caption)
{
    m_model.props.caption = caption;
    setAccessKeyFromCaption();
    redraw();
    report(QStringLiteral("Caption"));
}

void KvButton::setCaptionAlign(int align)
{
    m_model.props.captionAlign = align;
    redraw();
    report(QStringLiteral("CaptionAlign"));
}

void KvButton::setDropDownSymbol(int symbol)
{
    m_model.props.dropDownSymbol = symbol;
    redraw();
    report(QStringLiteral("DropDownSymbol"));
}

void KvButton::setDropDownSeparator(bool on)
{
    m_model.props.dropDownSeparator = on;
    redraw();
    report(QStringLiteral("DropDownSeparator"));
}

void KvButton::setDisabledPictureMode(int mode)
{
    m_model.props.disabledPictureMode = mode;
    redraw();
    report(QStringLiteral("DisabledPictureMode"));
}

void KvButton::setEnabled(bool enabled)
{
    m_model.props.enabled = enabled;
    QWidget::setEnabled(enabled);
    if (!enabled) {
        // The tip prepared while it was enabled is dropped, not shown again on the next hover.
        hideToolTip();
        m_tipContent = KvToolTipContent();
    }
    redraw();
    report(QStringLiteral("Enabled"));
}

void KvButton::setCaptionFont(const QFont& font)
{
    m_model.props.font = font;
    repaint();
    redraw();
    report(QStringLiteral("Font"));
    fontChanged();
}

void KvButton::setForeColor(OleColor color)
{
    m_model.props.foreColor = color;
    redraw();
    report(QStringLiteral("ForeColor"));
}

void KvButton::setForeColorHover(OleColor color)
{
    m_model.props.foreColorHover = color;
    redraw();
    report(QStringLiteral("ForeColorHover"));
}

void KvButton::setHandPointer(bool on)
{
    m_model.props.handPointer = on;
    if (on)
        m_model.props.mousePointer = 0;
    applyCursor();
    redraw();
    report(QStringLiteral("HandPointer"));
}

void KvButton::setMaskColor(OleColor color)
{
    m_model.props.maskColor = color;
    redraw();
    report(QStringLiteral("MaskColor"));
}

void KvButton::setMode(int mode)
{
    m_model.props.mode = mode;
    if (mode == KvPush)
        m_model.run.buttonState = KvNormal;
    redraw();
    report(QStringLiteral("Value"));
    report(QStringLiteral("Mode"));
}

void KvButton::setMouseIcon(const KvPicture& icon)
{
    KvButtonProperties& p = m_model.props;
    p.mouseIcon = icon;
    if (icon.isNull()) {
        p.mousePointer = 0;
    } else {
        p.handPointer = false;
        report(QStringLiteral("HandPointer"));
        p.mousePointer = 99;
    }
    applyCursor();
    report(QStringLiteral("MouseIcon"));
}

void KvButton::setMousePointer(int pointer)
{
    m_model.props.mousePointer = qint16(pointer);
    applyCursor();
    report(QStringLiteral("MousePointer"));
}

void KvButton::setPictureNormal(const KvPicture& picture)
{
    KvButtonProperties& p = m_model.props;
    p.pictureNormal = picture;
    if (picture.isNull()) {
        p.pictureHot = KvPicture();
        p.pictureDown = KvPicture();
        createButtonRegion();
        redraw();
        report(QStringLiteral("PictureHot"));
        report(QStringLiteral("PictureDown"));
    } else {
        redraw();
        report(QStringLiteral("PictureNormal"));
    }
}

void KvButton::setPictureHot(const KvPicture& picture)
{
    if (m_model.props.pictureNormal.isNull()) {
        m_model.props.pictureNormal = picture;
        report(QStringLiteral("PictureNormal"));
        return;
    }
    m_model.props.pictureHot = picture;
    report(QStringLiteral("PictureHot"));
    redraw();
}

void KvButton::setPictureDown(const KvPicture& picture)
{
    if (m_model.props.pictureNormal.isNull()) {
        m_model.props.pictureNormal = picture;
        report(QStringLiteral("PictureNormal"));
        return;
    }
    m_model.props.pictureDown = picture;
    report(QStringLiteral("PictureDown"));
    redraw();
}

void KvButton::setPictureAlign(int align)
{
    m_model.props.pictureAlign = align;
    if (!m_model.props.pictureNormal.isNull())
        redraw();
    report(QStringLiteral("PictureAlign"));
}

void KvButton::setPictureShadow(bool on)
{
    m_model.props.pictureShadow = on;
    redraw();
    report(QStringLiteral("PictureShadow"));
}

void KvButton::setPictureEffectOnOver(int effect)
{
    m_model.props.pictureEffectOnOver = effect;
    redraw();
    report(QStringLiteral("PictureEffectOnOver"));
}

void KvButton::setPictureEffectOnDown(int effect)
{
    m_model.props.pictureEffectOnDown = effect;
    redraw();
    report(QStringLiteral("PictureEffectOnDown"));
}

void KvButton::setPicturePushOnHover(bool on)
{
    m_model.props.picturePushOnHover = on;
    redraw();
    report(QStringLiteral("PicturePushOnHover"));
}

void KvButton::setPictureOpacity(int opacity)
{
    m_model.props.pictureOpacity = quint8(opacity);
    redraw();
    report(QStringLiteral("PictureOpacity"));
}

void KvButton::setPictureOpacityOnOver(int opacity)
{
    m_model.props.pictureOpacityOnOver = quint8(opacity);
    redraw();
    report(QStringLiteral("PictureOpacityOnOver"));
}

void KvButton::setRightToLeft(bool on)
{
    m_model.props.rightToLeft = on;
    m_model.run.tooltipRightToLeft = on;
    redraw();
    report(QStringLiteral("RightToLeft"));
}

void KvButton::setCaptionEffects(int effects)
{
    m_model.props.captionEffects = effects;
    redraw();
    report(QStringLiteral("CaptionEffects"));
}

void KvButton::setShowFocusRect(bool on)
{
    m_model.props.showFocusRect = on;
    report(QStringLiteral("ShowFocusRect"));
}

void KvButton::setUseMaskColor(bool on)
{
    m_model.props.useMaskColor = on;
    if (!m_model.props.pictureNormal.isNull())
        redraw();
    report(QStringLiteral("UseMaskColor"));
}

void KvButton::setValue(bool value)
{
    if (m_model.props.mode == KvPush) {
        // A push button has no lasting value; the assignment only returns the face to normal.
        m_model.run.buttonState = KvNormal;
        redraw();
        return;
    }
    m_model.props.value = value;
    if (!value)
        m_model.run.buttonState = KvNormal;
    redraw();
    report(QStringLiteral("Value"));
}

void KvButton::setTooltipTitle(const QString& title)
{
    m_model.props.tooltipTitle = title;
    redraw();
    report(QStringLiteral("TooltipTitle"));
}

void KvButton::setButtonToolTip(const QString& text)
{
    m_model.props.toolTip = text;
    redraw();
    report(QStringLiteral("ToolTip"));
}

void KvButton::setTooltipBackColor(OleColor color)
{
    m_model.props.tooltipBackColor = color;
    redraw();
    report(QStringLiteral("TooltipBackcolor"));
}

void KvButton::setToolTipIcon(int icon)
{
    m_model.props.toolTipIcon = icon;
    redraw();
    report(QStringLiteral("TooltipIcon"));
}

void KvButton::setToolTipType(int type)
{
    m_model.props.toolTipType = type;
    redraw();
    report(QStringLiteral("ToolTipType"));
}

void KvButton::setColorScheme(int scheme)
{
    m_model.props.colorScheme = clampColorScheme(scheme);
    applyDefaultBackColor(m_model.props, palette());
    redraw();
    report(QStringLiteral("ColorScheme"));
}

// Methods --------------------------------------------------------------------------------------

void KvButton::setPopupMenu(QMenu* menu, int align, int flags, QAction* defaultItem)
{
    if (!menu)
        return;
    m_menu = menu;
    m_menuAlign = align;
    m_menuFlags = flags;
    m_defaultItem = defaultItem;
    m_popupEnabled = true;
}

void KvButton::unsetPopupMenu()
{
    if (m_menu)
        disconnect(m_menu, nullptr, this, nullptr);
    m_menu = nullptr;
    m_defaultItem = nullptr;
    m_popupEnabled = false;
    m_menuClosedOverButton = false;
}

void KvButton::openWebsite(const QString& address)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void KvButton::about()
{
    auto* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("About"),
                        QStringLiteral("KVButton image button control, version 1.0"), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void KvButton::setDisplayAsDefault(bool on)
{
    m_model.run.displayAsDefault = on;
    redraw();
}

// Input ----------------------------------------------------------------------------------------

bool KvButton::pointerInside(const QPointF& pos) const
{
    const QPoint p = pos.toPoint();
    if (!rect().contains(p))
        return false;
    return mask().isEmpty() || mask().contains(p);
}

bool KvButton::pointerOverButtonNow() const
{
    return isVisible() && pointerInside(mapFromGlobal(QCursor::pos()));
}

void KvButton::mouseMoveEvent(QMouseEvent* event)
{
    KvButtonRuntime& run = m_model.run;
    const bool over = pointerInside(event->position());
    run.mouseOver = over;
    if (over)
        emit MouseEnter();
    if (run.spaceDown)
        return;
    if (!over) {
        changeState(KvNormal);
    } else if (run.isPressed) {
        changeState(KvDown);
    } else {
        if (run.buttonState != KvHot) {
            run.buttonState = KvHot;
            redraw();
        }
        if (run.buttonState != KvDown)
            createToolTip();
    }
}

void KvButton::pressDown(int button, int shift, double x, double y)
{
    KvButtonRuntime& run = m_model.run;
    m_lastButton = button;
    m_lastShift = shift;
    m_lastX = x;
    m_lastY = y;
    if (button != 1 && !m_menuClosedOverButton)
        return;
    run.hasFocus = true;
    run.isPressed = true;
    if (!run.spaceDown)
        changeState(KvDown);
    if (!m_popupEnabled)
        emit MouseDown(button, shift, x, y);
    else if (!m_menuClosedOverButton)
        showDropDownMenu();
}

void KvButton::mousePressEvent(QMouseEvent* event)
{
    hideToolTip();
    pressDown(mouseButtonCode(event->button()), shiftCode(event->modifiers()), event->position().x(),
              event->position().y());
}

void KvButton::mouseReleaseEvent(QMouseEvent* event)
{
    KvButtonRuntime& run = m_model.run;
    const int button = mouseButtonCode(event->button());
    const int shift = shiftCode(event->modifiers());
    const double x = event->position().x();
    const double y = event->position().y();
    if (m_popupEnabled) {
        run.isPressed = false;
        m_menuClosedOverButton = false;
        run.buttonState = KvNormal;
        redraw();
        return;
    }
    if (button == 1) {
        run.isPressed = false;
        if (x > 0 && x < width() && y > 0 && y < height()) {
            if (m_model.props.mode == KvCheck) {
                setValue(!m_model.props.value);
            } else if (m_model.props.mode == KvOption) {
                uncheckOtherOptions();
                setValue(true);
            }
            run.buttonState = KvNormal;
            redraw();
            emit Click(m_index);
        } else {
            changeState(KvNormal);
        }
    }
    emit MouseUp(button, shift, x, y);
}

void KvButton::mouseDoubleClickEvent(QMouseEvent*)
{
    if (m_lastButton != 1)
        return;
    m_model.run.buttonState = KvDown;
    redraw();
    const bool menuWasShowing = m_menuShowing;
    pressDown(m_lastButton, m_lastShift, m_lastX, m_lastY);
    if (!m_popupEnabled)
        emit DblClick();
    else if (!m_menuClosedOverButton && !menuWasShowing && !(m_menu && m_menu->isVisible()))
        showDropDownMenu();
}

void KvButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    hideToolTip();
    if (m_trackAvailable)
        mouseLeft();
}

void KvButton::mouseLeft()
{
    KvButtonRuntime& run = m_model.run;
    run.mouseOver = false;
    if (m_popupEnabled) {
        if (m_menuShowing) {
            // The leave that the opening menu causes.
            m_menuShowing = false;
            m_menuClosedOverButton = true;
            return;
        }
        m_menuClosedOverButton = false;
    }
    if (run.spaceDown)
        return;
    changeState(KvNormal);
    emit MouseLeave();
}

void KvButton::keyPressEvent(QKeyEvent* event)
{
    KvButtonRuntime& run = m_model.run;
    const int code = keyCode(event->key());
    const int shift = shiftCode(event->modifiers());
    // Keys the button has no use for go on to its host: Esc closes a dialog, Enter reaches the
    // dialog's default button.
    bool handled = true;
    switch (code) {
    case 13:
        if (hostDefaultButton()) {
            event->ignore();
            return;
        }
        emit Click(m_index);
        break;
    case 32:
        if (shift == 4) {
            event->ignore();
            return;
        }
        // A held key repeats; only its first press changes the button.
        if (event->isAutoRepeat())
            break;
        if (run.isPressed) {
            changeState(run.mouseOver ? KvDown : KvNormal);
        } else {
            run.spaceDown = true;
            if (m_model.props.mode == KvCheck) {
                setValue(!m_model.props.value);
            } else if (m_model.props.mode == KvOption) {
                uncheckOtherOptions();
                setValue(true);
            }
            changeState(KvDown);
        }
        takeCapture();
        break;
    case 37:
    case 38:
        focusNextPrevChild(false);
        break;
    case 39:
    case 40:
        focusNextPrevChild(true);
        break;
    default:
        if (run.spaceDown) {
            cancelSpace();
            run.buttonState = KvNormal;
            redraw();
        }
        handled = false;
        break;
    }
    emit KeyDown(code, shift);
    if (!event->text().isEmpty())
        emit KeyPress(event->text().at(0).unicode());
    if (!handled)
        event->ignore();
}

QPushButton* KvButton::hostDefaultButton() const
{
    const QList<QPushButton*> buttons = window()->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button->isDefault() && button->isVisible() && button->isEnabled())
            return button;
    }
    return nullptr;
}

void KvButton::keyReleaseEvent(QKeyEvent* event)
{
    KvButtonRuntime& run = m_model.run;
    const int code = keyCode(event->key());
    if (code != 32 || event->isAutoRepeat()) {
        event->ignore();
        return;
    }
    releaseCapture();
    if (!run.mouseOver)
        changeState(KvNormal);
    else if (run.isPressed)
        changeState(KvDown);
    else
        changeState(KvHot);
    if (!run.isPressed && run.spaceDown)
        emit Click(m_index);
    emit KeyUp(code, shiftCode(event->modifiers()));
    run.spaceDown = false;
    run.isPressed = false;
}

void KvButton::takeCapture()
{
    if (QWidget::mouseGrabber() == this || !isVisible())
        return;
    if (QWidget* other = QWidget::mouseGrabber())
        other->releaseMouse();
    grabMouse();
    m_captured = true;
}

void KvButton::releaseCapture()
{
    if (m_captured && QWidget::mouseGrabber() == this)
        releaseMouse();
    m_captured = false;
}

void KvButton::cancelSpace()
{
    // A Space press that ends any other way than by its release gives the mouse back too.
    m_model.run.spaceDown = false;
    releaseCapture();
}

void KvButton::accessKeyPress(int keyAscii)
{
    KvButtonProperties& p = m_model.props;
    if (!p.enabled)
        return;
    cancelSpace();
    m_model.run.isPressed = false;
    const bool enterOrEscape = keyAscii == 13 || keyAscii == 27;
    if (p.mode == KvCheck) {
        if (enterOrEscape)
            return;
        setValue(!p.value);
        redraw();
    } else if (p.mode == KvOption) {
        if (enterOrEscape)
            return;
        uncheckOtherOptions();
        setValue(true);
        redraw();
    }
    emit Click(m_index);
}

void KvButton::uncheckOtherOptions()
{
    QWidget* container = parentWidget();
    if (!container)
        return;
    const QList<KvButton*> siblings = container->findChildren<KvButton*>(Qt::FindDirectChildrenOnly);
    for (KvButton* other : siblings)
        if (other != this && other->mode() == KvOption)
            other->setValue(false);
}

void KvButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return;
    m_model.run.hasFocus = true;
    redraw();
}

void KvButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return;
    KvButtonRuntime& run = m_model.run;
    run.hasFocus = false;
    run.isPressed = false;
    cancelSpace();
    run.buttonState = run.parentActive && run.mouseOver ? KvHot : KvNormal;
    redraw();
    if (run.displayAsDefault)
        redraw();
}

void KvButton::hostActivation(bool active)
{
    KvButtonRuntime& run = m_model.run;
    if (active) {
        run.parentActive = true;
        run.buttonState = KvNormal;
        if (run.displayAsDefault)
            redraw();
        redraw();
    } else {
        run.isPressed = false;
        cancelSpace();
        run.hasFocus = false;
        run.parentActive = false;
        run.buttonState = KvNormal;
        redraw();
    }
}

void KvButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        if (m_runTime)
            redraw();
        break;
    case QEvent::EnabledChange:
        // The host may switch the window itself; the property follows the button's own setting,
        // not a disabled container.
        if (m_model.props.enabled == testAttribute(Qt::WA_ForceDisabled)) {
            m_model.props.enabled = !testAttribute(Qt::WA_ForceDisabled);
            redraw();
        }
        break;
    default:
        break;
    }
}

bool KvButton::event(QEvent* event)
{
    // The hosting window's activation reaches every widget inside it.
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) && m_runTime)
        hostActivation(event->type() == QEvent::WindowActivate);
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (m_model.props.enabled && !m_tipContent.text.isEmpty() && m_model.run.buttonState != KvDown) {
            if (!m_tipWindow)
                m_tipWindow = new KvToolTipWindow(this);
            m_tipWindow->setContent(m_tipContent);
            m_tipWindow->showAt(help->globalPos() + QPoint(0, 20));
        }
        return true;
    }
    return QWidget::event(event);
}

void KvButton::createToolTip()
{
    const KvButtonProperties& p = m_model.props;
    if (!p.enabled || m_menuClosedOverButton || m_model.run.buttonState == KvDown)
        return;
    KvToolTipContent content;
    content.text = p.toolTip;
    content.title = p.tooltipTitle;
    content.icon = p.toolTipIcon;
    content.balloon = p.toolTipType == 1;
    content.rightToLeft = m_model.run.tooltipRightToLeft;
    content.maxWidth = 240;
    content.backColor = p.tooltipBackColor == 0 ? kNoColor : translateColor(p.tooltipBackColor, palette());
    m_tipContent = content;
    if (m_tipWindow && m_tipWindow->isVisible() && !(m_tipWindow->content() == content))
        m_tipWindow->setContent(content);
}

void KvButton::hideToolTip()
{
    if (m_tipWindow)
        m_tipWindow->hide();
}

void KvButton::showDropDownMenu()
{
    if (!m_menu)
        return;
    const int W = width();
    const int H = height();
    m_menuShowing = true;
    int x = 0;
    int y = 0;
    int flags = m_menuFlags;
    switch (m_menuAlign) {
    case 0:
        y = H;
        break;
    case 1:
        flags = 32;
        break;
    case 2:
        flags = m_menuFlags | 8;
        break;
    case 3:
        x = W;
        break;
    case 4:
        flags = 40;
        break;
    case 5:
        y = H;
        flags = m_menuFlags | 8;
        break;
    case 6:
        x = W;
        flags = 32;
        break;
    case 7:
        x = W;
        y = H;
        break;
    default:
        m_menuShowing = false;
        return;
    }
    if (m_menuAlign == 1 || m_menuAlign == 2 || m_menuAlign == 4 || m_menuAlign == 5 || m_menuAlign == 6)
        m_menuFlags = flags;

    m_menu->setDefaultAction(m_defaultItem);
    const QSize size = m_menu->sizeHint();
    QPoint at = mapToGlobal(QPoint(x, y));
    if (flags & 8)
        at.rx() -= size.width();
    else if (flags & 4)
        at.rx() -= size.width() / 2;
    if (flags & 32)
        at.ry() -= size.height();
    else if (flags & 16)
        at.ry() -= size.height() / 2;
    connect(m_menu, &QMenu::aboutToHide, this, &KvButton::dropDownMenuClosed, Qt::UniqueConnection);
    m_menu->popup(at);
}

void KvButton::dropDownMenuClosed()
{
    if (m_menu)
        disconnect(m_menu, &QMenu::aboutToHide, this, &KvButton::dropDownMenuClosed);
    // The pop-up's own leave notice may not have come; it is over either way.
    m_menuShowing = false;
    if (pointerOverButtonNow()) {
        m_menuClosedOverButton = true;
        return;
    }
    KvButtonRuntime& run = m_model.run;
    run.isPressed = false;
    run.mouseOver = false;
    cancelSpace();
    run.buttonState = KvNormal;
    m_menuClosedOverButton = false;
    redraw();
}

// Window ---------------------------------------------------------------------------------------

void KvButton::paintEvent(QPaintEvent*)
{
    if (m_face.size() != size())
        redraw();
    QPainter painter(this);
    painter.drawImage(0, 0, m_face);
}

void KvButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    createButtonRegion();
    redraw();
}

void KvButton::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Only the button's own tooltip shows while it is on screen.
    QWidget::setToolTip(QString());
    if (m_runTime && isActiveWindow() && !m_model.run.parentActive) {
        m_model.run.parentActive = true;
        redraw();
    }
}

void KvButton::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    hideToolTip();
    releaseCapture();
    QWidget::setToolTip(m_model.props.toolTip);
}

} // namespace velmo
