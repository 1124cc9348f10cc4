#include "classic/help/thelpf1.h"

#include <gtest/gtest.h>

#include <vector>

namespace dopplex {
namespace {

struct HelpWindow : ::testing::Test {
    HelpWindow() {
        help.set_observer([this](bool visible) { told.push_back(visible); });
    }
    THelpf1 help;
    std::vector<bool> told;
};

TEST_F(HelpWindow, StartsHiddenWithItsCaption) {
    EXPECT_FALSE(help.visible());
    EXPECT_EQ(help.caption(), "Help");
    EXPECT_FALSE(help.guide().empty());
}

TEST_F(HelpWindow, HelpTwiceKeepsOneWindowThatOneOkayHides) {
    help.Show();
    help.Show();
    EXPECT_TRUE(help.visible());
    help.buOKayClick();
    EXPECT_FALSE(help.visible());
    // Each Show tells the view, so a second Help brings the window to the front.
    EXPECT_EQ(told, (std::vector<bool>{true, true, false}));
}

TEST_F(HelpWindow, CloseBoxOnlyHidesAndHelpShowsTheSameWindowAgain) {
    const auto text = help.guide();
    help.Show();
    help.close_box();
    EXPECT_FALSE(help.visible());
    help.Show();
    EXPECT_TRUE(help.visible());
    EXPECT_EQ(help.guide().data(), text.data());
    EXPECT_EQ(told, (std::vector<bool>{true, false, true}));
}

TEST_F(HelpWindow, HidingAHiddenWindowTellsNothing) {
    help.buOKayClick();
    help.close_box();
    EXPECT_FALSE(help.visible());
    EXPECT_TRUE(told.empty());
}

TEST(HelpWindowWithoutObserver, ShowsAndHides) {
    THelpf1 help;
    help.Show();
    EXPECT_TRUE(help.visible());
    help.buOKayClick();
    EXPECT_FALSE(help.visible());
}

} // namespace
} // namespace dopplex
