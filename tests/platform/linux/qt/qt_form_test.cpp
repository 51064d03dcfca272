// The Qt window and dialogs on Qt's offscreen platform: built from the
// layout table, consistent with its model, events delivered once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QKeyEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "platform/linux/form/form_model.h"
#include "platform/linux/qt/qt_dialogs.h"
#include "platform/linux/qt/qt_form.h"
#include "platform/linux/qt/qt_icon.h"
#include "platform/linux/qt/qt_widgets.h"
#include "window/layout.h"
#include "private_config_home.h"

namespace scriblane::linuxp {
namespace {

struct Recorder : FormEvents {
    std::vector<Ctl> clicks;
    int loads = 0;
    int unloads = 0;
    std::int32_t cancelWith = 0;
    std::function<void()> duringUnload;
    std::function<void()> duringLoad;
    void OnLoad() override {
        ++loads;
        if (duringLoad) duringLoad();
    }
    void OnClick(Ctl c) override { clicks.push_back(c); }
    void OnUnload(std::int32_t& cancel) override {
        ++unloads;
        if (duringUnload) duringUnload();
        cancel = cancelWith;
    }
};

// Runs `act` on the modal widget of type T as soon as one is up; rejects
// whatever modal is up after a few seconds so a broken test cannot hang.
template <class T>
T* VisibleTopLevel() {
    if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) return modal;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* wanted = qobject_cast<T*>(w); wanted != nullptr && wanted->isVisible()) return wanted;
    }
    return nullptr;
}

// Runs `act` on the dialog of type T as soon as one is up, and again on the
// same dialog while it stays up (a file dialog may still be reading its
// folder the first time). Closes every dialog still up after a few seconds
// so a broken test cannot hang. Keep the returned timer for the test's scope.
template <class T>
[[nodiscard]] std::unique_ptr<QTimer> WhenModal(std::function<void(T*)> act) {
    struct State {
        QPointer<QWidget> target;
        int ticks = 0;
        int lastAct = 0;
    };
    auto timer = std::make_unique<QTimer>();
    QTimer* t = timer.get();
    auto state = std::make_shared<State>();
    QObject::connect(t, &QTimer::timeout, [t, act, state] {
        ++state->ticks;
        T* w = state->target ? qobject_cast<T*>(state->target.data()) : VisibleTopLevel<T>();
        if (w != nullptr && w->isVisible()) {
            if (!state->target || state->ticks - state->lastAct >= 25) {
                state->target = w;
                state->lastAct = state->ticks;
                act(w);
            }
        } else if (state->target) {
            t->stop();  // done: the dialog is gone
            return;
        }
        if (state->ticks > 500) {
            t->stop();
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QDialog*>(top); dialog && dialog->isVisible()) {
                    dialog->reject();
                }
            }
            ADD_FAILURE() << "the expected dialog did not appear or did not close";
        }
    });
    t->start(10);
    return timer;
}

class QtFormTest : public ::testing::Test {
protected:
    void LoadAndShow() {
        form.Load(MainFormSpec(), events);
        form.Show();
    }
    template <class T>
    T* W(Ctl c) {
        auto* w = qobject_cast<T*>(form.Control(c));
        EXPECT_NE(w, nullptr) << static_cast<int>(c);
        return w;
    }
    Recorder events;
    QtForm form{{}, {}};
};

TEST_F(QtFormTest, ShownWindowHasTheTablesTitleSizeAndFlags) {
    QtForm::EnsureApplication();
    const QFont desktop = QGuiApplication::font();
    LoadAndShow();
    QWidget* window = form.Window();
    ASSERT_NE(window, nullptr);
    // The controls are made in the window's font; the dialogs keep the
    // desktop's.
    ASSERT_NE(window->font(), desktop);
    EXPECT_EQ(QGuiApplication::font(), desktop);
    EXPECT_EQ(window->windowTitle(), "Scriblane");
    EXPECT_EQ(window->size(), QSize(290, 236));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_DOUBLE_EQ(form.TwipsPerPixelX(), 15.0);
    // The outer size: the frame the platform reports around the client.
    EXPECT_DOUBLE_EQ(form.Width(), window->frameGeometry().width() * 15.0);
    EXPECT_DOUBLE_EQ(form.Height(), window->frameGeometry().height() * 15.0);
    EXPECT_GE(form.Width(), 4350.0);
    EXPECT_NE(form.hWnd(), 0u);
    EXPECT_EQ(events.loads, 1);
}

TEST_F(QtFormTest, ControlsStandWhereTheTableSays) {
    LoadAndShow();
    const auto px = [](int twips) { return TwipsToPixels(twips, 15.0); };
    QWidget* frame = form.Control(Ctl::Frame1);
    ASSERT_NE(frame, nullptr);
    for (const ControlSpec& c : MainFormSpec().controls) {
        QWidget* w = form.Control(c.id);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->parentWidget(), c.inFrame ? frame : form.Window()) << c.name;
        if (c.kind == ControlKind::Line) {
            auto* line = dynamic_cast<LineWidget*>(w);
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(line->from(), QPoint(px(c.left), px(c.top))) << c.name;
            EXPECT_EQ(line->to(), QPoint(px(c.width), px(c.height))) << c.name;
            EXPECT_TRUE(w->testAttribute(Qt::WA_TransparentForMouseEvents));
        } else {
            EXPECT_EQ(w->geometry(), QRect(px(c.left), px(c.top), px(c.width), px(c.height)))
                << c.name;
        }
        EXPECT_EQ(w->font().bold(), c.font.bold) << c.name;
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), c.font.points) << c.name;
        // The table's face where installed, else an installed stand-in.
        EXPECT_TRUE(IsScreenFont(w->font().family().toStdString())) << c.name;
        EXPECT_EQ(w->toolTip().toStdString(), c.tooltip ? c.tooltip : "") << c.name;
    }
    EXPECT_EQ(W<QGroupBox>(Ctl::Frame1)->title(), "Settings");
    EXPECT_EQ(W<QPushButton>(Ctl::bWrite)->text(), "Write it!");
    EXPECT_EQ(W<QLabel>(Ctl::Label1_0)->text(), "Text to write:");
}

TEST_F(QtFormTest, TabOrderFollowsTabIndexAndSkipsLabelsLinesAndFrame) {
    LoadAndShow();
    std::vector<std::string> order;
    QWidget* start = form.Control(Ctl::tText);
    QWidget* w = start;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->window() == form.Window() &&
            w != form.Window() && w->focusProxy() == nullptr) {
            order.push_back(w->objectName().toStdString());
        }
        w = w->nextInFocusChain();
    } while (w != start && order.size() < 50);
    const std::vector<std::string> expected{"tText", "PicBk", "bcolBK", "bCol",  "PicT",   "tW",
                                            "tH",    "fBox",  "bWrite", "bHelp", "bSave", "bUseDeskCol"};
    // Qt's chain may hold inner widgets (the text box's viewport); keep ours.
    std::vector<std::string> ours;
    for (const auto& name : order) {
        if (std::find(expected.begin(), expected.end(), name) != expected.end()) ours.push_back(name);
    }
    EXPECT_EQ(ours, expected);
    for (Ctl c : {Ctl::Frame1, Ctl::Label1_0, Ctl::Label1_1, Ctl::Label2, Ctl::Line1, Ctl::Line3}) {
        EXPECT_EQ(form.Control(c)->focusPolicy(), Qt::NoFocus) << static_cast<int>(c);
    }
    EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget() : form.Window()->focusWidget(),
              form.Control(Ctl::tText));
}

TEST_F(QtFormTest, MultiLineTextBoxSpeaksCrLf) {
    form.Load(MainFormSpec(), events);
    form.SetText(Ctl::tText, "before\r\nshow");
    form.Show();
    auto* edit = W<QPlainTextEdit>(Ctl::tText);
    EXPECT_EQ(edit->toPlainText(), "before\nshow");
    EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(edit->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_TRUE(edit->tabChangesFocus());
    edit->setPlainText("typed\nby\nuser");
    EXPECT_EQ(form.GetText(Ctl::tText), "typed\r\nby\r\nuser");
    form.SetText(Ctl::tText, "a\rb\r\nc");
    EXPECT_EQ(edit->toPlainText(), "a\nb\nc");
    EXPECT_EQ(form.GetText(Ctl::tText), "a\r\nb\r\nc");
}

TEST_F(QtFormTest, SizeBoxesAreCentredAndUnlimited) {
    LoadAndShow();
    for (Ctl c : {Ctl::tH, Ctl::tW}) {
        auto* edit = W<QLineEdit>(c);
        EXPECT_TRUE(edit->alignment() & Qt::AlignHCenter);
        const std::string longText(40000, '7');
        form.SetText(c, longText);
        EXPECT_EQ(form.GetText(c), longText);
        edit->setText("42");
        EXPECT_EQ(form.GetText(c), "42");
    }
}

TEST_F(QtFormTest, ListKeepsOrderAndSelectsOnlyExactEntries) {
    form.Load(MainFormSpec(), events);
    EXPECT_THROW(form.SetListIndex(Ctl::fBox, 0), FormError);  // empty list
    for (const char* item : {"Zeta", "alpha", "Mid"}) form.AddItem(Ctl::fBox, item);
    EXPECT_EQ(form.GetText(Ctl::fBox), "");
    form.Show();
    auto* combo = W<QComboBox>(Ctl::fBox);
    EXPECT_FALSE(combo->isEditable());
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "Zeta");
    EXPECT_EQ(combo->itemText(1), "alpha");
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(form.GetText(Ctl::fBox), "");

    form.SetText(Ctl::fBox, "alpha");
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_THROW(form.SetText(Ctl::fBox, "ALPHA"), FormError);  // case matters
    EXPECT_THROW(form.SetText(Ctl::fBox, "alp"), FormError);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(form.GetText(Ctl::fBox), "alpha");

    combo->setCurrentIndex(2);  // the user picks
    EXPECT_EQ(form.GetText(Ctl::fBox), "Mid");
    form.SetListIndex(Ctl::fBox, 0);
    EXPECT_EQ(combo->currentText(), "Zeta");
    EXPECT_THROW(form.SetListIndex(Ctl::fBox, 3), FormError);
    EXPECT_EQ(form.GetText(Ctl::fBox), "Zeta");
}

TEST_F(QtFormTest, AddingToAnEmptyShownListSelectsNothing) {
    LoadAndShow();
    auto* combo = W<QComboBox>(Ctl::fBox);
    combo->clear();
    form.AddItem(Ctl::fBox, "first");
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(form.GetText(Ctl::fBox), "");
}

TEST_F(QtFormTest, SwatchesShowTheColourReference) {
    form.Load(MainFormSpec(), events);
    form.SetBackColor(Ctl::PicT, 0x000000FF);  // red
    form.Show();
    form.SetBackColor(Ctl::PicBk, 0x00FF0000);  // blue
    form.Refresh(Ctl::PicBk);
    auto* text = dynamic_cast<ColorSwatch*>(form.Control(Ctl::PicT));
    auto* back = dynamic_cast<ColorSwatch*>(form.Control(Ctl::PicBk));
    ASSERT_TRUE(text && back);
    EXPECT_EQ(text->color(), QColor(255, 0, 0));
    EXPECT_EQ(back->color(), QColor(0, 0, 255));
    EXPECT_EQ(form.GetBackColor(Ctl::PicBk), 0x00FF0000);
    const QImage image = back->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(0, 0, 255));
    EXPECT_EQ(text->focusPolicy(), Qt::StrongFocus);
}

TEST_F(QtFormTest, ButtonsReportClicksAndAreNeverDefault) {
    LoadAndShow();
    const Ctl buttons[] = {Ctl::bWrite, Ctl::bCol, Ctl::bcolBK, Ctl::bUseDeskCol, Ctl::bSave,
                           Ctl::bHelp};
    for (Ctl c : buttons) {
        auto* button = W<QPushButton>(c);
        EXPECT_FALSE(button->autoDefault());
        EXPECT_FALSE(button->isDefault());
        button->click();
    }
    EXPECT_EQ(events.clicks, std::vector<Ctl>(std::begin(buttons), std::end(buttons)));
}

TEST_F(QtFormTest, AFocusedButtonAnswersReturnAndEnterButTheTextBoxKeepsThem) {
    LoadAndShow();
    struct Case {
        Ctl focus;
        int key;
        std::vector<Ctl> clicks;
    } cases[] = {
        {Ctl::bHelp, Qt::Key_Return, {Ctl::bHelp}},
        {Ctl::bWrite, Qt::Key_Enter, {Ctl::bWrite}},
        {Ctl::tText, Qt::Key_Return, {}},
    };
    for (const auto& c : cases) {
        events.clicks.clear();
        QWidget* target = W<QWidget>(c.focus);
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        // animateClick reports the click once its short press animation ends.
        for (int i = 0; i < 50 && events.clicks.size() < c.clicks.size(); ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
        EXPECT_EQ(events.clicks, c.clicks);
    }
}

TEST_F(QtFormTest, CloseAsksOnceAndHonoursCancel) {
    LoadAndShow();
    events.cancelWith = 1;
    form.Window()->close();
    EXPECT_EQ(events.unloads, 1);
    ASSERT_NE(form.Window(), nullptr);
    EXPECT_TRUE(form.Window()->isVisible());

    // A close arriving while the handler runs does not run it again.
    QWidget* window = form.Window();
    events.cancelWith = 0;
    events.duringUnload = [window] { window->close(); };
    window->close();
    EXPECT_EQ(events.unloads, 2);
    EXPECT_EQ(form.Window(), nullptr);  // not cancelled: the window is gone
    EXPECT_EQ(form.hWnd(), 0u);
}

TEST_F(QtFormTest, UnloadKeepsWhatWasTypedAndNeverAsks) {
    LoadAndShow();
    W<QPlainTextEdit>(Ctl::tText)->setPlainText("kept\ntext");
    W<QLineEdit>(Ctl::tW)->setText("33");
    form.Unload();
    EXPECT_EQ(events.unloads, 0);
    EXPECT_EQ(form.Window(), nullptr);
    EXPECT_EQ(form.GetText(Ctl::tText), "kept\r\ntext");
    EXPECT_EQ(form.GetText(Ctl::tW), "33");
    form.Unload();  // twice is harmless
}

// The window is shown before its controls are made (the window manager
// frames it meanwhile), but never painted without them; the first control
// has the focus.
TEST_F(QtFormTest, EveryControlIsInTheWindowsFirstPaint) {
    QtForm::EnsureApplication();
    std::size_t atPaint = 0;
    bool painted = false;
    struct OnPaint : QObject {
        std::function<void(QObject*)> seen;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) seen(watched);
            return false;
        }
    } filter;
    filter.seen = [&](QObject* watched) {
        if (painted || watched != form.Window()) return;
        painted = true;
        for (const ControlSpec& c : MainFormSpec().controls) {
            const QWidget* w = form.Control(c.id);
            atPaint += w != nullptr && w->isVisible();
        }
    };
    qApp->installEventFilter(&filter);
    LoadAndShow();
    EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget() : form.Window()->focusWidget(),
              form.Control(Ctl::tText));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!painted && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    qApp->removeEventFilter(&filter);
    ASSERT_TRUE(painted);
    EXPECT_EQ(atPaint, MainFormSpec().controls.size());
}

TEST_F(QtFormTest, MoveBeforeShowPlacesTheClientInsideTheFrame) {
    form.Load(MainFormSpec(), events);
    form.Move(1500, 3000);  // twips: 100, 200 px; no frame without a window manager
    form.Show();
    EXPECT_EQ(form.Window()->pos(), QPoint(100, 200));
}

TEST_F(QtFormTest, CommandJoinsTheArguments) {
    QtForm withArgs({"Hello", "big", "world"}, {});
    EXPECT_EQ(withArgs.Command(), "Hello big world");
    EXPECT_EQ(form.Command(), "");
    EXPECT_NE(form.hInstance(), 0u);
    EXPECT_EQ(form.hInstance(), form.hInstance());
}

TEST_F(QtFormTest, ScreenFontsComeFromFontconfigAndRejectBadIndexes) {
    const std::int32_t count = form.ScreenFontCount();
    ASSERT_GT(count, 0);
    EXPECT_EQ(form.ScreenFont(0), ListScreenFonts().front());
    EXPECT_THROW(form.ScreenFont(count), FormError);
    EXPECT_THROW(form.ScreenFont(-1), FormError);
}

// The load's font list waits; the shown window holds only the entry the load
// chose until it has painted, then every screen font in order, with that
// entry selected. A key on the box, or a reader, fills it at once.
TEST_F(QtFormTest, TheLoadsFontListIsFilledAfterTheFirstPaint) {
    const std::vector<std::string> fonts = ListScreenFonts();
    ASSERT_GE(fonts.size(), 2u);
    for (const bool byKey : {false, true}) {
        QtForm form({}, nullptr);
        events.duringLoad = [&] {
            const std::int32_t count = form.ScreenFontCount();
            for (std::int32_t i = 0; i < count; ++i) form.AddItem(Ctl::fBox, form.ScreenFont(i));
            form.SetText(Ctl::fBox, fonts[1]);
        };
        form.Load(MainFormSpec(), events);
        form.Show();
        EXPECT_TRUE(form.FontListPending());
        auto* combo = qobject_cast<QComboBox*>(form.Control(Ctl::fBox));
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->count(), 1);
        EXPECT_EQ(combo->currentText().toStdString(), fonts[1]);
        if (byKey) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(combo, &press);
            EXPECT_FALSE(form.FontListPending());
            EXPECT_EQ(combo->currentIndex(), 2);  // moved on from the loaded entry
        } else {
            for (int i = 0; i < 500 && form.FontListPending(); ++i) {
                QApplication::processEvents(QEventLoop::AllEvents, 20);
                QThread::msleep(10);
            }
            ASSERT_FALSE(form.FontListPending());
            EXPECT_EQ(combo->currentIndex(), 1);
        }
        ASSERT_EQ(combo->count(), static_cast<int>(fonts.size()));
        for (int i = 0; i < combo->count(); ++i) {
            EXPECT_EQ(combo->itemText(i).toStdString(), fonts[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(form.GetText(Ctl::fBox), fonts[byKey ? 2 : 1]);
        form.Unload();
    }
}

struct BoxCase {
    std::int32_t style;
    QMessageBox::StandardButton press;  // NoButton: Escape
    std::int32_t answer;
    QMessageBox::Icon icon;
};

class MsgBoxTest : public QtFormTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MsgBoxTest, AnswersWithWin32Ids) {
    const BoxCase c = GetParam();
    LoadAndShow();
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto guard = WhenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        if (c.press == QMessageBox::NoButton) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &esc);
        } else {
            box->button(c.press)->click();
        }
    });
    EXPECT_EQ(form.MsgBox("first line\r\nsecond <b>line</b>", c.style), c.answer);
    EXPECT_EQ(title, "Scriblane");
    EXPECT_EQ(text, "first line\nsecond <b>line</b>");
    EXPECT_EQ(icon, c.icon);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, MsgBoxTest,
    ::testing::Values(BoxCase{0, QMessageBox::Ok, 1, QMessageBox::NoIcon},
                      BoxCase{0, QMessageBox::NoButton, 1, QMessageBox::NoIcon},
                      BoxCase{16, QMessageBox::Ok, 1, QMessageBox::Critical},
                      BoxCase{36, QMessageBox::Yes, 6, QMessageBox::Question},
                      BoxCase{36, QMessageBox::No, 7, QMessageBox::Question},
                      BoxCase{36, QMessageBox::NoButton, 7, QMessageBox::Question},
                      BoxCase{48, QMessageBox::Ok, 1, QMessageBox::Warning},
                      BoxCase{64, QMessageBox::Ok, 1, QMessageBox::Information}));

TEST_F(QtFormTest, MsgBoxWorksBeforeTheWindowIsShown) {
    form.Load(MainFormSpec(), events);
    QtForm::EnsureApplication();  // the answering timer needs an event loop's thread
    auto guard = WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(form.MsgBox("early", 64), 1);
    EXPECT_EQ(form.Window(), nullptr);
}

TEST(ScriblaneIcon, IsTheInstalledPngPixelForPixel) {
    QtForm::EnsureApplication();
    const QImage drawn = ScriblaneIcon();
    const QImage installed =
        QImage(QStringLiteral(SCRIBLANE_SOURCE_DIR "/resources/linux/scriblane.png"))
            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(installed.isNull());
    ASSERT_EQ(drawn.size(), QSize(32, 32));
    ASSERT_EQ(installed.size(), drawn.size());
    int differing = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) differing += drawn.pixel(x, y) != installed.pixel(x, y);
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(qAlpha(drawn.pixel(0, 0)), 0);  // transparent corners
    EXPECT_EQ(drawn.pixel(5, 11), qRgba(5, 87, 154, 255));
}

// --- Dialogs

TEST(ChooseColorA, StartsAtTheRecordAndReturnsTheChoice) {
    QtForm::EnsureApplication();
    std::array<ColorRef, 16> custom{};
    QColorDialog::setCustomColor(3, QColor(1, 2, 3));  // left over from an earlier call
    ChooseColorRecord cc;
    cc.lStructSize = kChooseColorSize;
    cc.rgbResult = static_cast<ColorRef>(0x7F0000FF);  // beyond 24 bits: red is kept
    cc.lpCustColors = custom.data();
    cc.Flags = kCcRgbInit | kCcFullOpen;
    QColor shown, leftover;
    auto guard = WhenModal<QColorDialog>([&](QColorDialog* dialog) {
        shown = dialog->currentColor();
        leftover = QColorDialog::customColor(3);
        dialog->setCurrentColor(QColor(5, 87, 154));
        dialog->accept();
    });
    QtDialogs dialogs;
    EXPECT_NE(dialogs.ChooseColorA(cc), 0);
    EXPECT_EQ(shown, QColor(255, 0, 0));
    EXPECT_EQ(leftover, QColor(0, 0, 0));
    EXPECT_EQ(cc.rgbResult, 10114821);
}

TEST(ChooseColorA, CancelReturnsZeroAndKeepsTheRecord) {
    QtForm::EnsureApplication();
    std::array<ColorRef, 16> custom{};
    ChooseColorRecord cc;
    cc.rgbResult = 0x123456;
    cc.lpCustColors = custom.data();
    cc.Flags = kCcRgbInit | kCcFullOpen;
    auto guard = WhenModal<QColorDialog>([](QColorDialog* dialog) { dialog->reject(); });
    QtDialogs dialogs;
    EXPECT_EQ(dialogs.ChooseColorA(cc), 0);
    EXPECT_EQ(cc.rgbResult, 0x123456);
}

TEST(QtFilterFrom, Win32FilterPairs) {
    struct Case {
        std::string filter;  // with its NULs
        std::string qt;
    };
    const Case cases[] = {
        {std::string("Text files\0*.txt\0\0", 18), "Text files (*.txt)"},
        {std::string("Text\0*.txt;*.text\0All\0*.*\0\0", 28), "Text (*.txt *.text);;All (*.*)"},
        {std::string("Text (*.txt)\0*.txt\0\0", 20), "Text (*.txt)"},
        {std::string("\0\0", 2), ""},
        {std::string("Dangling\0\0", 10), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(QtFilterFrom(c.filter.c_str()), c.qt) << c.qt;
    EXPECT_EQ(QtFilterFrom(nullptr), "");
}

TEST(StorePath, FitsWithItsNulOrFailsUntouched) {
    struct Case {
        std::string path;
        std::uint32_t room;
        bool stored;
    };
    const Case cases[] = {
        {"/tmp/a.txt", 11, true},   // exactly: ten bytes and the NUL
        {"/tmp/a.txt", 10, false},  // one short
        {"/tmp/a.txt", 255, true},
        {std::string(300, 'x'), 255, false},
        {"", 1, true},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer(c.room + 8, '#');
        OpenFileNameRecord ofn;
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = c.room;
        EXPECT_EQ(StorePath(ofn, c.path), c.stored) << c.path.size() << " in " << c.room;
        if (c.stored) {
            EXPECT_EQ(std::string(buffer.data()), c.path);
        } else {
            EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(c.room + 8, '#'));
        }
        // Nothing is ever written past nMaxFile.
        EXPECT_EQ(std::string(buffer.end() - 8, buffer.end()), "########");
    }
    OpenFileNameRecord named;
    std::array<char, 64> room{};
    named.lpstrFile = room.data();
    named.nMaxFile = 64;
    ASSERT_TRUE(StorePath(named, "/home/u/notes.txt"));
    EXPECT_EQ(named.nFileOffset, 8);
    EXPECT_EQ(named.nFileExtension, 14);
    OpenFileNameRecord none;
    EXPECT_FALSE(StorePath(none, "/x"));
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtForm::EnsureApplication();
        char pattern[] = "/tmp/scriblane-dialog-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        filter = std::string("Text files\0*.txt\0\0", 18);
        ofn.lStructSize = kOpenFileNameSize;
        ofn.lpstrFilter = filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = 255;
        ofn.lpstrTitle = "Pick one";
        ofn.lpstrInitialDir = dir.c_str();
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    // Types `name` into the dialog and confirms.
    void Answer(const std::string& name) {
        guard = WhenModal<QFileDialog>([this, name](QFileDialog* dialog) {
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            // As a user does: type the name into the dialog's name box.
            const QString typed = QString::fromStdString(name);
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                edit->setText(typed);
            } else {
                dialog->selectFile(typed);
            }
            // accept() is protected on QFileDialog; it is still a slot.
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        });
    }
    std::string dir, filter;
    std::array<char, 256> file{};
    OpenFileNameRecord ofn;
    QString title;
    QStringList filters;
    QtDialogs dialogs;
    std::unique_ptr<QTimer> guard;
};

TEST_F(FileDialogTest, SaveAppendsTheDefaultExtension) {
    ofn.lpstrDefExt = "txt";
    Answer(dir + "/notes");
    EXPECT_EQ(dialogs.GetSaveFileNameA(ofn), 1);
    EXPECT_EQ(std::string(file.data()), dir + "/notes.txt");
    EXPECT_EQ(title, "Pick one");
    EXPECT_EQ(filters, QStringList{"Text files (*.txt)"});
}

TEST_F(FileDialogTest, SaveKeepsAnExtensionTypedAndDoesNotAskToOverwrite) {
    ofn.lpstrDefExt = "txt";
    const std::string existing = dir + "/old.log";
    std::fclose(std::fopen(existing.c_str(), "w"));
    Answer(existing);
    EXPECT_EQ(dialogs.GetSaveFileNameA(ofn), 1);
    EXPECT_EQ(std::string(file.data()), existing);
}

TEST_F(FileDialogTest, OpenAcceptsANameThatDoesNotExist) {
    Answer(dir + "/missing.txt");
    EXPECT_EQ(dialogs.GetOpenFileNameA(ofn), 1);
    EXPECT_EQ(std::string(file.data()), dir + "/missing.txt");
}

TEST_F(FileDialogTest, APathLongerThanTheBufferFails) {
    ofn.nMaxFile = 8;
    Answer(dir + "/a-rather-long-name.txt");
    EXPECT_EQ(dialogs.GetOpenFileNameA(ofn), 0);
    EXPECT_EQ(file[0], '\0');
}

TEST_F(FileDialogTest, CancelReturnsZero) {
    auto guard = WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(dialogs.GetSaveFileNameA(ofn), 0);
}

TEST_F(FileDialogTest, DialogsLeaveNoConfigurationBehind) {
    // Qt's dialogs keep custom colours and file history in a file of their
    // own; the settings store is the program's only configuration.
    const std::string qtFile = std::string(std::getenv("XDG_CONFIG_HOME")) + "/QtProject.conf";
    std::array<ColorRef, 16> custom{};
    custom[2] = 0x123456;
    const std::vector<std::pair<const char*, std::function<void()>>> runs = {
        {"colour chosen",
         [&] {
             ChooseColorRecord cc;
             cc.lpCustColors = custom.data();
             auto g = WhenModal<QColorDialog>([](QColorDialog* d) { d->accept(); });
             dialogs.ChooseColorA(cc);
         }},
        {"file opened",
         [&] {
             Answer(dir + "/opened.txt");
             dialogs.GetOpenFileNameA(ofn);
         }},
        {"save cancelled",
         [&] {
             auto g = WhenModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
             dialogs.GetSaveFileNameA(ofn);
         }},
    };
    for (const auto& [name, run] : runs) {
        run();
        EXPECT_NE(access(qtFile.c_str(), F_OK), 0) << name << " left " << qtFile;
    }
}

}  // namespace
}  // namespace scriblane::linuxp

int main(int argc, char** argv) {
    // No X server needed: Qt draws into memory.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const scriblane::testing::PrivateConfigHome config;
    if (!config.made()) return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
