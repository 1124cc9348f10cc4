#include "classic/tfmain.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "core/classic/form_rig.h"

namespace dopplex {
namespace {

using test::FormTest;

constexpr bool kShown = true, kHidden = false;
constexpr bool kEnabled = true, kDisabled = false;
constexpr bool kChecked = true, kUnchecked = false;

struct Expected {
    const char* name;
    const char* text; // nullptr: a memo, whose lines are checked instead
    bool visible;
    bool enabled;
    bool checked;
};

// The window as the operator first sees it: the designer's state with FormCreate's texts and
// the cleared tracking record.
const Expected kStartUp[] = {
    {"l_st", "No data\n", kShown, kEnabled, kUnchecked},
    {"l_na", "", kShown, kEnabled, kUnchecked},
    {"l_az", "0.0", kShown, kEnabled, kUnchecked},
    {"l_el", "0.0", kShown, kEnabled, kUnchecked},
    {"l_uf", "0 Hz", kShown, kEnabled, kUnchecked},
    {"l_df", "0 Hz", kShown, kEnabled, kUnchecked},
    {"l_um", "", kShown, kEnabled, kUnchecked},
    {"l_dm", "", kShown, kEnabled, kUnchecked},
    {"l_aos", "None", kShown, kEnabled, kUnchecked},
    {"l_dd", "Closed", kShown, kEnabled, kUnchecked},
    {"Edit1", "Enter Freq E8", kShown, kEnabled, kUnchecked},
    {"Edit2", "0.00000", kShown, kEnabled, kUnchecked},
    {"Edit3", "1", kHidden, kEnabled, kUnchecked},
    {"Edit4", "10", kHidden, kEnabled, kUnchecked},
    {"Edit5", "1", kHidden, kEnabled, kUnchecked},
    {"Edit6", "10", kHidden, kEnabled, kUnchecked},
    {"Edit7", "0", kShown, kEnabled, kUnchecked},
    {"Edit8", "0", kShown, kEnabled, kUnchecked},
    {"Edit9", "0.0", kShown, kEnabled, kUnchecked},
    {"Edit10", "0.0000", kHidden, kEnabled, kUnchecked},
    {"Edit11", "0", kHidden, kEnabled, kUnchecked},
    {"Edit12", "Edit12", kHidden, kEnabled, kUnchecked},
    {"Edit13", "Enter Freq E8", kShown, kEnabled, kUnchecked},
    {"Edit14", "0.00000", kShown, kEnabled, kUnchecked},
    {"Edit15", "1", kHidden, kEnabled, kUnchecked},
    {"Edit16", "10", kHidden, kEnabled, kUnchecked},
    {"Edit17", "1", kHidden, kEnabled, kUnchecked},
    {"Edit18", "10", kHidden, kEnabled, kUnchecked},
    {"Edit19", "0", kShown, kEnabled, kUnchecked},
    {"Edit20", "Edit20", kHidden, kEnabled, kUnchecked},
    {"Edit21", "0", kHidden, kEnabled, kUnchecked},
    {"Edit22", "0", kShown, kEnabled, kUnchecked},
    {"Edit23", "0.0000", kHidden, kEnabled, kUnchecked},
    {"Edit24", "Edit24", kHidden, kEnabled, kUnchecked},
    {"Edit25", "Edit25", kHidden, kEnabled, kUnchecked},
    {"Memo1", nullptr, kShown, kEnabled, kUnchecked},
    {"Memo2", nullptr, kShown, kEnabled, kUnchecked},
    {"Memo3", nullptr, kShown, kEnabled, kUnchecked},
    {"Memo4", nullptr, kShown, kEnabled, kUnchecked},
    {"Button1", "Tune RX", kShown, kDisabled, kUnchecked},
    {"Button2", "Freq. UP", kShown, kEnabled, kUnchecked},
    {"Button3", "Freq. DOWN", kShown, kEnabled, kUnchecked},
    {"Button4", "EC1", kHidden, kDisabled, kUnchecked},
    {"Button5", "EC2", kHidden, kDisabled, kUnchecked},
    {"Button6", "Help", kShown, kEnabled, kUnchecked},
    {"Button7", "Adjust", kShown, kDisabled, kUnchecked},
    {"Button8", "EC5", kHidden, kDisabled, kUnchecked},
    {"Button9", "Adjust", kShown, kDisabled, kUnchecked},
    {"Button10", "EC7", kHidden, kDisabled, kUnchecked},
    {"Button11", "Start Tracking", kShown, kDisabled, kUnchecked},
    {"Button12", "Tune TX", kShown, kDisabled, kUnchecked},
    {"Button13", "CT1", kHidden, kDisabled, kUnchecked},
    {"Button14", "CT2", kHidden, kDisabled, kUnchecked},
    {"Button15", "Adjust", kShown, kDisabled, kUnchecked},
    {"Button16", "Adjust", kShown, kDisabled, kUnchecked},
    {"Button17", "CT5", kHidden, kDisabled, kUnchecked},
    {"Button18", "CT7", kHidden, kDisabled, kUnchecked},
    {"Button19", "Start Tracking", kShown, kDisabled, kUnchecked},
    {"Button20", "Freq. UP", kShown, kEnabled, kUnchecked},
    {"Button21", "Freq. DOWN", kShown, kEnabled, kUnchecked},
    {"Button22", "Reset  RX", kShown, kDisabled, kUnchecked},
    {"Button23", "Reset  TX", kShown, kDisabled, kUnchecked},
    {"Button24", "RS1", kHidden, kEnabled, kUnchecked},
    {"Button25", "RS2", kHidden, kDisabled, kUnchecked},
    {"SpeedButton1", "Exit", kShown, kEnabled, kUnchecked},
    {"CheckBox1", "Enable hardware", kShown, kEnabled, kUnchecked},
    {"CheckBox2", "Green LED channel activating", kShown, kEnabled, kUnchecked},
    {"CheckBox3", "Additional channel (manual activation) ", kShown, kEnabled, kUnchecked},
    {"RadioButton1", "100 Hz  Step", kShown, kEnabled, kChecked},
    {"RadioButton2", "25 Hz  Step (Rush only) ", kShown, kEnabled, kUnchecked},
    {"RadioButton3", "1000 Hz  Step", kShown, kEnabled, kUnchecked},
};

using WindowTest = FormTest<>;

TEST_F(WindowTest, StartUpStateOfEveryControl) {
    std::set<std::string> listed;
    for (const Expected& e : kStartUp) {
        SCOPED_TRACE(e.name);
        listed.insert(e.name);
        const Control* c = form.find(e.name);
        ASSERT_NE(c, nullptr);
        if (e.text) {
            EXPECT_EQ(c->text(), e.text);
        } else {
            EXPECT_TRUE(c->lines().empty());
        }
        EXPECT_EQ(c->visible(), e.visible);
        EXPECT_EQ(c->enabled(), e.enabled);
        EXPECT_EQ(c->checked(), e.checked);
    }
    for (const Control* c : form.controls()) {
        EXPECT_TRUE(listed.count(c->name())) << c->name() << " has no expected state";
    }
    EXPECT_EQ(form.controls().size(), listed.size());
}

TEST_F(WindowTest, StartUpLeavesTheLatchClearTheTimersStoppedAndThePortUnwritten) {
    EXPECT_EQ(form.latch.PortAddress, 888);
    EXPECT_EQ(form.latch.ChannelByte(), 0);
    for (int id = TFMain::Timer1; id <= TFMain::Timer6; ++id) {
        EXPECT_FALSE(form.timer_running(id)) << "Timer" << id + 1;
    }
    EXPECT_TRUE(port.writes().empty());
    EXPECT_TRUE(host.reports().empty());
    EXPECT_EQ(host.now(), 0);
}

// Everything the operator can see or the engine can read, to show that an action changed
// nothing.
auto snapshot(const TFMain& form) {
    std::vector<std::tuple<std::string, std::string, bool, bool, bool, std::vector<std::string>>>
        all;
    for (const Control* c : form.controls()) {
        all.emplace_back(c->name(), c->text(), c->visible(), c->enabled(), c->checked(),
                         c->lines());
    }
    return all;
}

struct RadioCase {
    const char* name;
    std::vector<const char*> clicks;
    std::array<bool, 3> checked;
};

class StepGroup : public FormTest<::testing::TestWithParam<RadioCase>> {};

TEST_P(StepGroup, ExactlyOneStepIsSelected) {
    for (const char* name : GetParam().clicks) {
        EXPECT_TRUE(form.Click(name));
    }
    EXPECT_EQ(form.RadioButton1.checked(), GetParam().checked[0]);
    EXPECT_EQ(form.RadioButton2.checked(), GetParam().checked[1]);
    EXPECT_EQ(form.RadioButton3.checked(), GetParam().checked[2]);
    EXPECT_TRUE(port.writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Window, StepGroup,
    ::testing::Values(RadioCase{"TwentyFive", {"RadioButton2"}, {false, true, false}},
                      RadioCase{"Thousand", {"RadioButton3"}, {false, false, true}},
                      RadioCase{"AlreadyChecked", {"RadioButton1"}, {true, false, false}},
                      RadioCase{
                          "TwiceTheSame", {"RadioButton3", "RadioButton3"}, {false, false, true}},
                      RadioCase{"BackToHundred",
                                {"RadioButton2", "RadioButton3", "RadioButton1"},
                                {true, false, false}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DeadClickCase {
    const char* name;
    const char* disabled_first; // a control disabled before the click, or nullptr
};

class DeadClick : public FormTest<::testing::TestWithParam<DeadClickCase>> {};

// A click that the window would never deliver: the engine's model is authoritative.
TEST_P(DeadClick, ChangesNothingAndTakesNoTime) {
    enable_hardware();
    if (GetParam().disabled_first) {
        form.find(GetParam().disabled_first)->set_enabled(false);
    }
    const auto before = snapshot(form);
    EXPECT_FALSE(form.Click(GetParam().name));
    EXPECT_EQ(snapshot(form), before);
    EXPECT_TRUE(port.writes().empty());
    EXPECT_TRUE(host.reports().empty());
    EXPECT_EQ(host.now(), 0);
    EXPECT_EQ(form.focused(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Window, DeadClick,
    ::testing::Values(DeadClickCase{"Button1", nullptr},  // Tune, disabled
                      DeadClickCase{"Button7", nullptr},  // Adjust
                      DeadClickCase{"Button22", nullptr}, // Reset
                      DeadClickCase{"Button4", nullptr},  // hidden stage
                      DeadClickCase{"Button24", nullptr}, // hidden, armed
                      DeadClickCase{"Button2", "Button2"}, DeadClickCase{"CheckBox2", "CheckBox2"},
                      DeadClickCase{"RadioButton3", "RadioButton3"},
                      DeadClickCase{"Edit1", nullptr}, DeadClickCase{"Memo1", nullptr},
                      DeadClickCase{"l_az", nullptr}, DeadClickCase{"Button26", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

struct TypeCase {
    const char* name;
    bool accepted;
};

class Typing : public FormTest<::testing::TestWithParam<TypeCase>> {};

TEST_P(Typing, OnlyTheEditableFieldsTakeText) {
    Control* c = form.find(GetParam().name);
    ASSERT_NE(c, nullptr);
    const std::string before = c->text();
    EXPECT_EQ(form.Type(GetParam().name, "4.367750E8"), GetParam().accepted);
    EXPECT_EQ(c->text(), GetParam().accepted ? "4.367750E8" : before);
}

INSTANTIATE_TEST_SUITE_P(Window, Typing,
                         ::testing::Values(TypeCase{"Edit1", true}, TypeCase{"Edit13", true},
                                           TypeCase{"Edit9", true}, TypeCase{"Edit2", false},
                                           TypeCase{"Edit14", false}, TypeCase{"Edit7", false},
                                           TypeCase{"Edit8", false}, TypeCase{"Edit4", false},
                                           TypeCase{"Edit12", false}, TypeCase{"l_st", false},
                                           TypeCase{"Memo1", false}, TypeCase{"Button2", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, TypingKeepsTheTextExactlyAsTyped) {
    EXPECT_TRUE(form.Type("Edit1", " 4,3677E8 "));
    EXPECT_EQ(form.Edit1.text(), " 4,3677E8 ");
    EXPECT_TRUE(form.Type("Edit13", ""));
    EXPECT_EQ(form.Edit13.text(), "");
}

struct Seen {
    std::string name;
    Change what;
    bool operator==(const Seen&) const = default;
};

class Recorder : public FormObserver {
public:
    std::vector<Seen> changes;
    std::vector<std::string> focus;
    void control_changed(const Control& c, Change what) override {
        changes.push_back({c.name(), what});
    }
    void focus_moved(const std::string& name) override { focus.push_back(name); }
};

TEST_F(WindowTest, ObserversAreToldOfEveryChangeAndFocusMove) {
    Recorder seen;
    form.add_observer(&seen);
    form.Click("CheckBox3");
    form.Type("Edit1", "1.458250E8");
    form.Click("RadioButton2");
    form.Click("Button2");
    EXPECT_EQ(seen.changes, (std::vector<Seen>{{"CheckBox3", Change::Checked},
                                               {"Edit1", Change::Text},
                                               {"RadioButton2", Change::Checked},
                                               {"RadioButton1", Change::Checked},
                                               {"RadioButton3", Change::Checked}}));
    EXPECT_EQ(seen.focus, (std::vector<std::string>{"Button2"}));
}

} // namespace
} // namespace dopplex
