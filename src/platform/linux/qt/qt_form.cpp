// The form runtime of the window program: a FormModel, then Qt widgets once shown.
#include "platform/linux/qt/qt_form.h"

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QPixmap>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "platform/linux/posix/end_process.h"
#include "platform/linux/form/form_model.h"
#include "platform/linux/form/form_conventions.h"
#include "platform/linux/qt/qt_icon.h"
#include "platform/linux/qt/qt_widgets.h"

namespace scriblane::linuxp {
namespace {

// QApplication keeps references to these for its whole life. The name is
// the windows' WM_CLASS too.
constexpr char kProgramName[] = "scriblane";
int gArgc = 1;
char gName[sizeof kProgramName] = {};
char* gArgv[] = {gName, nullptr};

// How long to wait for the window manager to tell the frame it will draw.
constexpr std::chrono::milliseconds kFrameExtentsWait{300};

QFont MakeFont(const FontSpec& wanted, const QString& face) {
    QFont font(face);
    font.setPointSizeF(wanted.points);
    font.setBold(wanted.bold);
    font.setItalic(false);
    return font;
}

// The application's font is `font` while this lives. Qt lays a new text
// widget out in the application's font as it makes it, before the widget
// can have a font of its own: widgets made in the window's font load no face
// the window never shows (where the desktop names no installed face, that
// face takes a fallback search of its own, a tenth of the controls' cost).
// Afterwards the font counts as the program's own: a later change of the
// desktop's font no longer reaches the dialogs.
class ApplicationFontWhile {
public:
    explicit ApplicationFontWhile(const QFont& font) : saved_(QGuiApplication::font()) {
        QGuiApplication::setFont(font);
    }
    ~ApplicationFontWhile() { QGuiApplication::setFont(saved_); }
    ApplicationFontWhile(const ApplicationFontWhile&) = delete;
    ApplicationFontWhile& operator=(const ApplicationFontWhile&) = delete;

private:
    const QFont saved_;
};

// Calls `before` ahead of any press, key or wheel turn on the watched widget.
class BeforeInput : public QObject {
public:
    BeforeInput(QObject* parent, std::function<void()> before)
        : QObject(parent), before_(std::move(before)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
                before_();
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> before_;
};

// Calls `then` once, after the watched widget's first paint has been handled.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QObject* parent, std::function<void()> then)
        : QObject(parent), then_(std::move(then)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && then_) {
            // Queued: the paint itself, and the children's, go first.
            QTimer::singleShot(0, this, std::move(then_));
            then_ = nullptr;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> then_;
};

QColor ToQColor(ColorRef color) {
    const Rgb rgb = ColorRefToRgb(color);
    return QColor(rgb.r, rgb.g, rgb.b);
}

QMessageBox::StandardButton ToStandardButton(std::int32_t id) {
    switch (id) {
        case kIdCancel: return QMessageBox::Cancel;
        case kIdAbort: return QMessageBox::Abort;
        case kIdRetry: return QMessageBox::Retry;
        case kIdIgnore: return QMessageBox::Ignore;
        case kIdYes: return QMessageBox::Yes;
        case kIdNo: return QMessageBox::No;
        default: return QMessageBox::Ok;
    }
}

std::int32_t FromStandardButton(QMessageBox::StandardButton button, std::int32_t fallback) {
    switch (button) {
        case QMessageBox::Ok: return kIdOk;
        case QMessageBox::Cancel: return kIdCancel;
        case QMessageBox::Abort: return kIdAbort;
        case QMessageBox::Retry: return kIdRetry;
        case QMessageBox::Ignore: return kIdIgnore;
        case QMessageBox::Yes: return kIdYes;
        case QMessageBox::No: return kIdNo;
        default: return fallback;
    }
}

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical: return QMessageBox::Critical;
        case MsgIcon::Question: return QMessageBox::Question;
        case MsgIcon::Warning: return QMessageBox::Warning;
        case MsgIcon::Information: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

// setenv is unsafe while another thread reads the environment (fontconfig
// and Xlib do), so the environment is settled before any thread starts.
void PrepareQtEnvironment() {
    // The layout is in twips: it scales with the DPI by itself, to exact
    // device pixels. Qt's own fractional scaling on top would round window
    // positions to its larger units and miss the placement by a pixel.
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
}

QtForm::QtForm(std::vector<std::string> args, std::function<void()> beforeEnd)
    : FormCore(JoinArguments(args), std::move(beforeEnd)) {
    PrepareQtEnvironment();
}

QtForm::~QtForm() {
    *alive_ = false;
    // The application outlives the form on purpose (one per process).
    delete window_;
}

QString QtForm::InstalledFace(const char* face) {
    // Itself when installed, else a metric-compatible face, else one that
    // comes with fontconfig nearly everywhere. Deciding here spares Qt a
    // fallback search per font.
    for (const char* candidate : {face, "Liberation Sans", "Arimo", "DejaVu Sans"}) {
        // Faces that are not installed share their stand-in: one list each.
        auto [known, added] = screenFonts_.try_emplace(candidate, false);
        if (added) known->second = IsScreenFont(candidate);
        if (known->second) return QString::fromUtf8(candidate);
    }
    return QString::fromUtf8(face);  // Qt's own matching chooses
}

void QtForm::ListFontsAfterFirstPaint() {
    if (listing_ || !FontListPending()) return;
    listing_ = true;
    std::shared_ptr<bool> alive = alive_;
    ListFontsFrom(std::async(std::launch::async, [this, alive] {
        std::vector<std::string> fonts = ListScreenFonts();
        QMetaObject::invokeMethod(
            qApp, [this, alive] {
                if (*alive) FillFontList();
            },
            Qt::QueuedConnection);
        return fonts;
    }));
}

void QtForm::FontListFilled() {
    auto* combo = qobject_cast<QComboBox*>(Control(Ctl::fBox));
    if (combo == nullptr) return;
    // The list was put in the model alone; the box takes it whole.
    const ControlState& state = model_[Ctl::fBox];
    QStringList items;
    items.reserve(static_cast<qsizetype>(state.items.size()));
    for (const std::string& item : state.items) items << QString::fromStdString(item);
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(state.listIndex);
}

void QtForm::EnsureApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    // Never deleted: the program ends through _exit, and a second
    // QApplication in one process is not allowed anyway.
    std::copy(std::begin(kProgramName), std::end(kProgramName), gName);
    auto* app = new QApplication(gArgc, gArgv);
    (void)app;
    // The program ends when its window is closed or End runs, never
    // because a message box was the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's colour and file dialogs keep custom colours and file history in
    // a QtProject.conf of their own; the settings store is the program's
    // only configuration. A path below /dev/null can be neither read nor
    // created, whoever runs the program. (The store names its file itself.)
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    }
    QGuiApplication::setDesktopFileName(QStringLiteral("scriblane"));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ScriblaneIcon())));
}

x11::FrameLook QtForm::FrameLookOf(const FormSpec& layout) {
    x11::FrameLook look;
    look.title = layout.title;
    // Qt's WM_CLASS: the instance is RESOURCE_NAME where set, else the
    // program's name, as is the class.
    const char* resource = std::getenv("RESOURCE_NAME");
    look.instance = resource != nullptr && *resource != '\0' ? resource : kProgramName;
    look.className = kProgramName;
    // Fixed, as the window is; the size itself changes no frame.
    const double tpp = TwipsPerPixelAt(kNormalDpi);
    look.width = TwipsToPixels(layout.clientWidth, tpp);
    look.height = TwipsToPixels(layout.clientHeight, tpp);
    return look;
}

double QtForm::Dpr() const {
    if (QGuiApplication::instance() == nullptr) return 1.0;
    if (window_ != nullptr) return window_->devicePixelRatioF();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

// Twips to Qt's device-independent units: device pixels first (what the
// table means), then Qt's own scale on high-DPI screens.
int QtForm::Px(int twips) const {
    const double tpp = twipsPerPixel_.value_or(TwipsPerPixelAt(kNormalDpi));
    return static_cast<int>(std::lround(TwipsToPixels(twips, tpp) / Dpr()));
}

void QtForm::EnsureWindow() {
    if (window_ != nullptr) return;
    if (spec_ == nullptr) throw FormError("the window is not loaded");
    EnsureApplication();
    TwipsPerPixelX();  // fixes the scale before anything is sized

    const Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                  Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    window_ = new FormWindow([this] { return CloseRequested(); });
    window_->setWindowFlags(flags);
    window_->setWindowTitle(QString::fromUtf8(spec_->title));
    window_->setFixedSize(Px(spec_->clientWidth), Px(spec_->clientHeight));
    // The native window first: the window manager is asked for its frame
    // now, and placing the window waits for the answer.
    window_->winId();
    window_->move(Px(spec_->initialLeft), Px(spec_->initialTop));
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
            x11Display_ = x11->display();
            // Mapped before its first paint (see Show), the window stands in
            // its own colour meanwhile, not with the desktop showing through.
            const QColor colour = window_->palette().color(QPalette::Window);
            x11::SetUnpaintedColour(x11Display_, static_cast<unsigned long>(window_->winId()),
                                    colour.red(), colour.green(), colour.blue());
            if (!frameAhead_) {
                extentsRequested_ = x11::RequestFrameExtents(
                    x11Display_, static_cast<unsigned long>(window_->winId()));
            }
        }
    }
}

void QtForm::BuildControls() {
    // The first paint shows only the list's chosen entry; the whole list is
    // made after it, unless only the whole list can tell that entry.
    std::optional<std::string> pendingText;
    if (FontListPending()) pendingText = PendingListText();
    if (!pendingText) FillFontList();
    window_->setFont(MakeFont(spec_->font, InstalledFace(spec_->font.face)));
    const ApplicationFontWhile making(window_->font());
    QGroupBox* frame = nullptr;
    for (const ControlSpec& c : spec_->controls) {
        if (c.kind == ControlKind::Frame && frame == nullptr) {
            frame = new CaptionFrame(QString::fromUtf8(c.text), window_);
        }
    }
    for (const ControlSpec& c : spec_->controls) {
        QWidget* parent = (c.inFrame && frame != nullptr) ? static_cast<QWidget*>(frame) : window_;
        const ControlState& state = model_[c.id];
        const QString caption = QString::fromUtf8(c.text);
        QWidget* widget = nullptr;
        switch (c.kind) {
            case ControlKind::Frame:
                widget = frame;
                break;
            case ControlKind::TextBox:
                if (c.multiLine) {
                    auto* edit = new QPlainTextEdit(parent);
                    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
                    edit->setTabChangesFocus(true);
                    edit->setPlainText(QString::fromStdString(ToLf(state.text)));
                    widget = edit;
                } else {
                    auto* edit = new QLineEdit(parent);
                    edit->setMaxLength(INT_MAX);
                    edit->setAlignment((c.centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                                       Qt::AlignVCenter);
                    edit->setText(QString::fromStdString(state.text));
                    widget = edit;
                }
                break;
            case ControlKind::Button: {
                auto* button = new CommandButton(caption, parent);
                const Ctl id = c.id;
                QObject::connect(button, &QPushButton::clicked, button, [this, id] {
                    if (events_ == nullptr) return;
                    try {
                        events_->OnClick(id);
                    } catch (const std::exception& e) {
                        std::fprintf(stderr, "scriblane: %s\n", e.what());
                    } catch (...) {
                        std::fprintf(stderr, "scriblane: unknown failure in a command\n");
                    }
                });
                widget = button;
                break;
            }
            case ControlKind::ComboList: {
                auto* combo = new QComboBox(parent);
                combo->setEditable(false);
                QStringList items;
                items.reserve(static_cast<qsizetype>(state.items.size()));
                for (const std::string& item : state.items) items << QString::fromStdString(item);
                if (c.id == Ctl::fBox && FontListPending()) {
                    // Until the list is in, the box holds the entry it will show.
                    if (pendingText && !pendingText->empty()) {
                        items = {QString::fromStdString(*pendingText)};
                    }
                    combo->installEventFilter(
                        new BeforeInput(combo, [this] { FillFontList(); }));
                    window_->installEventFilter(
                        new AfterFirstPaint(window_, [this] { ListFontsAfterFirstPaint(); }));
                }
                combo->addItems(items);
                combo->setCurrentIndex(FontListPending() && !items.isEmpty() ? 0
                                                                             : state.listIndex);
                const Ctl id = c.id;
                QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                                 [this, id](int index) { model_[id].listIndex = index; });
                widget = combo;
                break;
            }
            case ControlKind::PictureBox: {
                auto* swatch = new ColorSwatch(parent);
                swatch->setColor(ToQColor(state.backColor));
                widget = swatch;
                break;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(caption, parent);
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                label->setWordWrap(true);
                widget = label;
                break;
            }
            case ControlKind::Line: {
                const QPalette::ColorRole role =
                    c.lineSysColor == kColorBtnText ? QPalette::ButtonText : QPalette::WindowText;
                widget = new LineWidget(parent, QPoint(Px(c.left), Px(c.top)),
                                        QPoint(Px(c.width), Px(c.height)), role);
                break;
            }
        }
        if (widget == nullptr) continue;
        widget->setObjectName(QString::fromUtf8(c.name) +
                              (c.index != kNoIndex ? QString::number(c.index) : QString()));
        if (c.kind != ControlKind::Line) {
            widget->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
        }
        widget->setFont(MakeFont(c.font, InstalledFace(c.font.face)));
        if (c.tooltip != nullptr) widget->setToolTip(QString::fromUtf8(c.tooltip));
        if (TakesFocus(c)) {
            widget->setFocusPolicy(Qt::StrongFocus);
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        controls_[c.id] = widget;
    }
    const std::vector<const ControlSpec*> focusable = TabOrder(*spec_);
    for (std::size_t i = 1; i < focusable.size(); ++i) {
        QWidget::setTabOrder(controls_[focusable[i - 1]->id], controls_[focusable[i]->id]);
    }
    firstFocus_ = focusable.empty() ? nullptr : controls_[focusable.front()->id];
}

bool QtForm::CloseRequested() {
    // A second close while the handler still runs (a box is up) is refused;
    // the handler runs once.
    if (closing_) return false;
    closing_ = true;
    std::int32_t cancel = 0;
    if (events_ != nullptr) {
        try {
            events_->OnUnload(cancel);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "scriblane: %s\n", e.what());
        } catch (...) {
        }
    }
    closing_ = false;
    if (cancel != 0) return false;
    // Nothing else keeps the program once its one window is gone.
    Unload();
    QCoreApplication::quit();
    return true;
}

x11::FrameExtents QtForm::Extents() {
    if (window_ != nullptr && window_->isVisible()) {
        if (QWindow* handle = window_->windowHandle()) {
            const QMargins m = handle->frameMargins();
            if (!m.isNull()) {
                const double dpr = Dpr();
                return {static_cast<int>(std::lround(m.left() * dpr)),
                        static_cast<int>(std::lround(m.right() * dpr)),
                        static_cast<int>(std::lround(m.top() * dpr)),
                        static_cast<int>(std::lround(m.bottom() * dpr))};
            }
        }
    }
    if (extents_) return *extents_;
    x11::FrameExtents found;
    if (window_ != nullptr && x11Display_ != nullptr && frameAhead_) {
        // Answered once: a window made again asks for itself.
        found = std::exchange(frameAhead_, nullptr)(kFrameExtentsWait);
    } else if (window_ != nullptr && x11Display_ != nullptr) {
        found = x11::AwaitFrameExtents(x11Display_, static_cast<unsigned long>(window_->winId()),
                                       extentsRequested_, kFrameExtentsWait);
    }
    extents_ = found;
    return found;
}

void QtForm::Show() {
    EnsureWindow();
    window_->show();
    shown_ = true;
    if (controls_.empty()) {
        // The window manager frames and maps the window while the controls
        // and their fonts are made (most of the start-up), not after. The
        // event loop, and with it the first paint, runs only once every
        // control is there: the window is never painted without them.
        // (Qt has sent the map request to the server when show() returns.)
        BuildControls();
        // Children made after their window was shown are shown one by one.
        for (const auto& [id, widget] : controls_) widget->show();
        // A hidden widget cannot take the focus, so only now.
        if (firstFocus_ != nullptr) firstFocus_->setFocus(Qt::OtherFocusReason);
    }
}

double QtForm::Width() {
    EnsureWindow();
    const x11::FrameExtents e = Extents();
    const double client = std::lround(window_->width() * Dpr());
    return (client + e.left + e.right) * TwipsPerPixelX();
}

double QtForm::Height() {
    EnsureWindow();
    const x11::FrameExtents e = Extents();
    const double client = std::lround(window_->height() * Dpr());
    return (client + e.top + e.bottom) * TwipsPerPixelY();
}

void QtForm::Move(std::int32_t left, std::int32_t top) {
    EnsureWindow();
    const double dpr = Dpr();
    const long outerX = TwipsToPixels(left, TwipsPerPixelX());
    const long outerY = TwipsToPixels(top, TwipsPerPixelY());
    if (window_->isVisible() && !window_->windowHandle()->frameMargins().isNull()) {
        // Mapped and framed: Qt places the frame itself.
        window_->move(static_cast<int>(std::lround(outerX / dpr)),
                      static_cast<int>(std::lround(outerY / dpr)));
        return;
    }
    // Not framed yet: the client goes inside the frame the manager announced.
    const x11::FrameExtents e = Extents();
    window_->move(static_cast<int>(std::lround((outerX + e.left) / dpr)),
                  static_cast<int>(std::lround((outerY + e.top) / dpr)));
}

void QtForm::Unload() {
    if (window_ == nullptr) return;
    // Keep what the user typed: the model answers once the widgets are gone.
    for (const auto& [id, widget] : controls_) {
        if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
            model_[id].text = ToCrLf(edit->toPlainText().toStdString());
        } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            model_[id].text = line->text().toStdString();
        }
    }
    FormWindow* window = window_;
    window_ = nullptr;
    controls_.clear();
    firstFocus_ = nullptr;
    extents_.reset();
    shown_ = false;
    window->DisarmClose();
    window->hide();
    window->deleteLater();
}

Handle QtForm::hWnd() {
    return window_ != nullptr && window_->testAttribute(Qt::WA_WState_Created)
               ? static_cast<Handle>(window_->winId())
               : 0;
}

QWidget* QtForm::Window() const { return window_; }

QWidget* QtForm::Control(Ctl control) const {
    auto it = controls_.find(control);
    return it != controls_.end() ? it->second : nullptr;
}

std::string QtForm::GetText(Ctl c) {
    if (c == Ctl::fBox) FillFontList();
    if (QWidget* w = Control(c)) {
        if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
            return ToCrLf(edit->toPlainText().toStdString());
        }
        if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text().toStdString();
    }
    return model_.GetText(c);
}

void QtForm::SetText(Ctl c, const std::string& text) {
    if (WaitsForFontList(c, {ListStep::kText, text})) return;
    model_.SetText(c, text);  // throws for a list without that entry
    QWidget* w = Control(c);
    if (w == nullptr || (c == Ctl::fBox && FillingFontList())) return;
    const QString value = QString::fromStdString(text);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
        edit->setPlainText(QString::fromStdString(ToLf(text)));
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentIndex(model_[c].listIndex);
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(value);
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
        frame->setTitle(value);
    }
}

void QtForm::AddItem(Ctl c, const std::string& item) {
    if (WaitsForFontList(c, {ListStep::kAdd, item})) return;
    model_.AddItem(c, item);
    if (c == Ctl::fBox && FillingFontList()) return;
    if (auto* combo = qobject_cast<QComboBox*>(Control(c))) {
        // Qt selects the first entry put into an empty list; the list keeps
        // its selection (or none) instead.
        const QSignalBlocker quiet(combo);
        combo->addItem(QString::fromStdString(item));
        combo->setCurrentIndex(model_[c].listIndex);
    }
}

void QtForm::SetListIndex(Ctl c, std::int32_t index) {
    if (WaitsForFontList(c, {ListStep::kIndex, {}, index})) return;
    model_.SetListIndex(c, index);
    if (c == Ctl::fBox && FillingFontList()) return;
    if (auto* combo = qobject_cast<QComboBox*>(Control(c))) combo->setCurrentIndex(index);
}

ColorRef QtForm::GetBackColor(Ctl c) { return model_[c].backColor; }

void QtForm::SetBackColor(Ctl c, ColorRef color) {
    model_[c].backColor = color;
    if (auto* swatch = dynamic_cast<ColorSwatch*>(Control(c))) swatch->setColor(ToQColor(color));
}

void QtForm::Refresh(Ctl c) {
    if (QWidget* w = Control(c); w != nullptr && w->isVisible()) w->repaint();
}

double QtForm::TwipsPerPixelX() {
    if (!twipsPerPixel_) {
        double dpi = kNormalDpi;
        if (QGuiApplication::instance() != nullptr) {
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                dpi = screen->logicalDotsPerInch() * screen->devicePixelRatio();
            }
        } else if (auto server = serverDpi_ ? *serverDpi_ : x11::ServerXftDpi()) {
            dpi = *server;
        }
        twipsPerPixel_ = TwipsPerPixelAt(dpi);
    }
    return *twipsPerPixel_;
}

double QtForm::TwipsPerPixelY() { return TwipsPerPixelX(); }

std::int32_t QtForm::MsgBox(const std::string& prompt, std::int32_t style) {
    EnsureApplication();
    const MsgBoxLayout layout = MsgBoxLayoutFor(style);
    QWidget* owner = (window_ != nullptr && window_->isVisible()) ? window_ : nullptr;
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromUtf8(spec_ != nullptr ? spec_->title : "Scriblane"));
    box.setTextFormat(Qt::PlainText);  // user text is never markup
    box.setText(QString::fromStdString(ToLf(prompt)));
    box.setIcon(ToQtIcon(layout.icon));
    for (std::int32_t id : layout.buttons) {
        QPushButton* button = box.addButton(ToStandardButton(id));
        if (id == layout.defaultAnswer) box.setDefaultButton(button);
        if (id == layout.escapeAnswer) box.setEscapeButton(button);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr) return layout.escapeAnswer;
    return FromStandardButton(box.standardButton(clicked), layout.escapeAnswer);
}

int QtForm::Exec() {
    if (!shown_ || QCoreApplication::instance() == nullptr) return 0;
    return QApplication::exec();
}

}  // namespace scriblane::linuxp
