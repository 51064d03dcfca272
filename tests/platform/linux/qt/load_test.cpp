// Command-line mode loads the window but must not pay for a toolkit: no
// QApplication and no widget until the window is needed on screen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>

#include "platform/linux/qt/qt_form.h"
#include "window/layout.h"

namespace scriblane::linuxp {
namespace {

struct FillOnLoad : FormEvents {
    QtForm* form = nullptr;
    bool ranInsideLoad = false;
    void OnLoad() override {
        form->SetText(Ctl::tW, "21");
        form->AddItem(Ctl::fBox, "Face");
        form->SetListIndex(Ctl::fBox, 0);
        form->SetBackColor(Ctl::PicT, 255);
        form->Refresh(Ctl::PicT);
        ranInsideLoad = true;
    }
    void OnClick(Ctl) override {}
    void OnUnload(std::int32_t&) override {}
};

TEST(QtFormLoad, KeepsStateWithoutAnyToolkit) {
    QtForm form({"text"}, {});
    FillOnLoad events;
    events.form = &form;
    form.Load(MainFormSpec(), events);
    EXPECT_TRUE(events.ranInsideLoad);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(form.Window(), nullptr);
    EXPECT_EQ(form.hWnd(), 0u);
    EXPECT_EQ(form.GetText(Ctl::tW), "21");
    EXPECT_EQ(form.GetText(Ctl::fBox), "Face");
    EXPECT_EQ(form.GetBackColor(Ctl::PicT), 255);
    EXPECT_EQ(form.GetText(Ctl::Label1_0), "Text to write:");  // captions from the table
    EXPECT_EQ(form.Command(), "text");
    EXPECT_EQ(form.Exec(), 0);  // never shown: nothing to run
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

}  // namespace
}  // namespace scriblane::linuxp
