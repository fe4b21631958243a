// The control window's model as the engine's reports and the user's actions
// leave it.

#include <gtest/gtest.h>

#include "panel/driver_texts.h"
#include "panel/panel_presenter.h"

namespace vexla {
namespace {

TEST(PanelPresenter, ReportsOfTheLinkBecomeTheStatusLineAndThePage) {
    PanelPresenter panel;
    panel.Created(0);
    panel.Connecting(3, 9600);
    const ControlPanel& m = panel.Model();
    EXPECT_EQ(m.LabelSpeed, "串口：3  ，速度：9600 波特率");
    EXPECT_TRUE(m.PanelLogoVisible);
    EXPECT_FALSE(m.PageControlVisible);
    EXPECT_TRUE(m.Visible);
    EXPECT_EQ(m.StatusGrid[0][0], "提交次数");
    panel.PortUnavailable(5);
    EXPECT_EQ(m.LabelSpeed, "串口 Com5 不能打开");
    panel.StartupEnded();
    panel.Hidden();
    panel.PortLost(13);
    EXPECT_EQ(m.LabelSpeed, "端口Com13已经脱离");
    EXPECT_EQ(m.ActivePage, 1);
    EXPECT_TRUE(m.Visible);
    panel.Destroyed();
    EXPECT_FALSE(m.Exists);
    EXPECT_FALSE(m.TrayVisible);
}

TEST(PanelPresenter, CaptionRotatesEveryFortyTicksAndSegmentsCascade) {
    PanelPresenter panel;
    panel.Created(2);
    EXPECT_EQ(panel.Model().Caption, texts::kStatusCaptions[2]);
    StatusCounters counters;
    for (uint16_t t = 1; t <= 80; ++t) {
        counters.Ticks = t;
        panel.StatusCounted(counters, 7);
        if (t == 40) {
            EXPECT_EQ(panel.Model().Caption, texts::kStatusCaptions[1]);
        }
    }
    EXPECT_EQ(panel.Model().Caption, texts::kStatusCaptions[2]);
    EXPECT_EQ(panel.Model().StatusGrid[1][0], "7");
    EXPECT_EQ(panel.Model().StatusGrid[1][1], "80");

    panel.Shown(2);
    EXPECT_EQ(panel.Model().Left, 61);
    panel.Shown(5);
    EXPECT_EQ(panel.Model().Left, 61) << "a placed window stays where it is";
}

TEST(PanelPresenter, ControlsKeepWhatTheUserSetUnlessTheSettingsSayOtherwise) {
    PanelPresenter panel;
    Driver driver({nullptr, nullptr, nullptr, nullptr, &panel});
    // Number and direction of an unchecked range line: shown, not stored.
    panel.SpinEditChN1Change(driver, {false, 9, false});
    EXPECT_EQ(panel.Model().Invert.Channel, 9);
    EXPECT_FALSE(panel.Model().Invert.Before);
    EXPECT_EQ(driver.Settings().InvertRange, 0);
    // Checked: stored, and the settings shown again agree.
    panel.CheckBoxMoveNegClick(driver, {true, 9, false});
    EXPECT_EQ(driver.Settings().InvertRange, 137);
    EXPECT_TRUE(panel.Model().Invert.Checked);
    EXPECT_EQ(panel.Model().Invert.Channel, 9);
    // A command item is remembered by the driver and the model alike.
    panel.ComboBoxCmdChange(driver, 5);
    EXPECT_EQ(panel.Model().ComboBoxCmdIndex, 5);
    // The filter depth the user sets is what the settings then show.
    panel.SpinEditFillterChange(driver, 25);
    EXPECT_EQ(panel.Model().SpinEditFillter, 25);
    EXPECT_EQ(driver.Settings().FilterDepth, 25);
}

TEST(PanelPresenter, APortTypedByItsNameStandsForThatPort) {
    for (const auto& [text, item] : std::initializer_list<std::pair<const char*, int>>{{"Com12", 11},
                                                                                       {"COM1", 0},
                                                                                       {"com255", 254},
                                                                                       {"27", 26},
                                                                                       {"Com256", -1},
                                                                                       {"Com0", -1},
                                                                                       {"Com012", -1},
                                                                                       {"Com", -1},
                                                                                       {"", -1},
                                                                                       {"Com1x", -1},
                                                                                       {"串口3", -1},
                                                                                       {"Com 3", -1}})
        EXPECT_EQ(TypedPortItem(text), item) << text;
}

TEST(PanelPresenter, TypedTextActsOnceConfirmedAndAChoiceActsAtOnce) {
    PanelPresenter panel;
    Driver driver({nullptr, nullptr, nullptr, nullptr, &panel});
    panel.CBoxDataFormatChange(driver, 2);
    panel.ListTyped(SettingsList::DataFormat);
    panel.ListTyped(SettingsList::DataFormat);
    EXPECT_EQ(driver.Settings().DataFormat, 2) << "keys alone";
    EXPECT_FALSE(panel.ListConfirmed(driver, SettingsList::Comm, -1)) << "nothing was typed into the port list";
    EXPECT_TRUE(panel.ListConfirmed(driver, SettingsList::DataFormat, -1));
    EXPECT_EQ(driver.Settings().DataFormat, 255) << "a text that is no item, as a typed text always did";
    EXPECT_EQ(panel.Model().CBoxDataFormatIndex, 255);
    EXPECT_FALSE(panel.ListConfirmed(driver, SettingsList::DataFormat, 1)) << "confirmed twice";
    EXPECT_EQ(driver.Settings().DataFormat, 255);

    // A choice after some typing: the choice stands, the typing is forgotten.
    panel.ListTyped(SettingsList::DataFormat);
    panel.CBoxDataFormatChange(driver, 4);
    EXPECT_EQ(driver.Settings().DataFormat, 4);
    EXPECT_FALSE(panel.ListConfirmed(driver, SettingsList::DataFormat, -1));
    EXPECT_EQ(driver.Settings().DataFormat, 4);
}

}  // namespace
}  // namespace vexla
