// What both windows show and what their input does, over a fake window that records every call:
// the start-up state, each change of the model, the echo of typed text held back while typing
// is in flight, the marks of a simulated pass and a wrong reference, the link status, the
// footer's held report, the trains, the dials and the live readout.
#include "engine_session.h"
#include "main_presenter.h"
#include "port/virtual_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace dopplex;
using namespace dopplex::app;

namespace {

std::string hex(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", colour);
    return text;
}

// A window that shows every visible control but those in `hidden`, and logs each call.
class FakePort final : public ViewPort {
public:
    std::set<std::string> hidden;
    std::vector<std::string> calls;
    std::map<std::string, std::string> texts;
    std::map<Readout, std::string> readouts;
    std::map<std::string, std::string> tooltips;
    std::string title;

    // Calls posted from the engine, run only when the test says.
    std::mutex mutex;
    std::vector<std::function<void()>> posted;

    bool shows(const std::string& c) const override { return hidden.count(c) == 0; }
    std::string text(const std::string& c) const override {
        const auto it = texts.find(c);
        return it == texts.end() ? "" : it->second;
    }
    void set_text(const std::string& c, const std::string& t) override {
        texts[c] = t;
        calls.push_back("text " + c + "=" + t);
    }
    void set_enabled(const std::string& c, bool on) override {
        calls.push_back("enabled " + c + "=" + (on ? "1" : "0"));
    }
    void set_visible(const std::string& c, bool on) override {
        calls.push_back("visible " + c + "=" + (on ? "1" : "0"));
    }
    void set_checked(const std::string& c, bool on) override {
        calls.push_back("checked " + c + "=" + (on ? "1" : "0"));
    }
    void set_colours(const std::string& c, std::uint32_t text,
                     std::optional<std::uint32_t> back) override {
        calls.push_back("colours " + c + "=" + hex(text) + " on " + (back ? hex(*back) : "-"));
    }
    void set_bold(const std::string& c, bool on) override {
        calls.push_back("bold " + c + "=" + (on ? "1" : "0"));
    }
    void set_tooltip(const std::string& c, const std::string& t) override { tooltips[c] = t; }
    void append_line(const std::string& c, const std::string& line) override {
        calls.push_back("line " + c + "+" + line);
    }
    void clear_lines(const std::string& c) override { calls.push_back("clear " + c); }
    void focus(const std::string& c) override { calls.push_back("focus " + c); }
    void set_readout(Readout r, const std::string& t,
                     std::optional<std::uint32_t> colour) override {
        readouts[r] = t + (colour ? " in " + hex(*colour) : "");
    }
    void set_title(const std::string& t) override { title = t; }
    void show_train(bool tx, const TrainProgress& p) override {
        calls.push_back(std::string("train ") + (tx ? "TX " : "RX ") + std::to_string(p.sent) +
                        "/" + std::to_string(p.count));
    }
    void set_stop_enabled(bool tx, bool on) override {
        calls.push_back(std::string("stop ") + (tx ? "TX" : "RX") + "=" + (on ? "1" : "0"));
    }
    void start_footer_timer(int ms) override {
        calls.push_back("footer timer " + std::to_string(ms));
    }
    Poster poster() override {
        return [this](std::function<void()> call) {
            std::lock_guard lock(mutex);
            posted.push_back(std::move(call));
        };
    }
    // Runs the first `count` calls the engine posted, once they came.
    bool run_posted(std::size_t count) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::vector<std::function<void()>> calls_now;
        while (std::chrono::steady_clock::now() < until) {
            {
                std::lock_guard lock(mutex);
                if (posted.size() >= count) {
                    const auto end = posted.begin() + static_cast<std::ptrdiff_t>(count);
                    calls_now.assign(posted.begin(), end);
                    posted.erase(posted.begin(), end);
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (auto& call : calls_now) {
            call();
        }
        return calls_now.size() >= count;
    }
};

ControlUpdate update(const std::string& name, Change what) {
    ControlUpdate u;
    u.name = name;
    u.what = what;
    return u;
}

class MainPresenterTest : public ::testing::Test {
protected:
    EngineSession session{std::make_unique<port::VirtualPort>()};
    FakePort port;
    std::unique_ptr<MainPresenter> presenter;

    void SetUp() override { port.hidden = {"Edit3", "Button4"}; }
    MainPresenter& start() {
        presenter = std::make_unique<MainPresenter>(session, port);
        port.calls.clear();
        return *presenter;
    }
    void text(const std::string& name, const std::string& value) {
        ControlUpdate u = update(name, Change::Text);
        u.text = value;
        presenter->apply(u);
    }
};

TEST_F(MainPresenterTest, StartUpShowsTheModelAndTheReadouts) {
    TFMain& form = session.form();
    form.Button1.set_enabled(false);
    form.RadioButton1.set_checked(true);
    form.Memo2.add_line("kept");
    presenter = std::make_unique<MainPresenter>(session, port);
    const auto called = [this](const std::string& call) {
        return std::count(port.calls.begin(), port.calls.end(), call);
    };
    for (const std::string& call : std::vector<std::string>{
             "text Edit1=" + form.Edit1.text(), "text l_dd=" + form.l_dd.text(),
             "enabled Button1=0", "enabled Button2=1", "checked RadioButton1=1",
             "checked CheckBox1=0", "line Memo2+kept"}) {
        EXPECT_EQ(called(call), 1) << call;
    }
    // Hidden in the model or not shown by the window: never drawn.
    for (const char* name : {"Edit3", "Button4", "Edit10", "Button24"}) {
        for (const auto& call : port.calls) {
            EXPECT_EQ(call.find(std::string(" ") + name + "="), std::string::npos) << call;
        }
    }
    // Only the tick boxes and radio buttons have a check.
    EXPECT_EQ(called("checked Button1=0"), 0);
    EXPECT_TRUE(port.readouts[Readout::Footer].ends_with(" in 605050"));
    EXPECT_EQ(port.readouts[Readout::Live], "Live  no tracker yet");
    EXPECT_EQ(port.readouts[Readout::RxDial], "Dial estimate\nno reference");
    EXPECT_EQ(port.readouts[Readout::TxDial], "Dial estimate\nno reference");
    EXPECT_EQ(port.tooltips["l_dd"], "Click to open the link to the tracker");
}

TEST_F(MainPresenterTest, EachChangeOfTheModelIsDrawn) {
    start();
    struct Row {
        const char* what;
        ControlUpdate update;
        std::vector<std::string> calls;
    };
    ControlUpdate enabled = update("Button1", Change::Enabled);
    ControlUpdate hidden = update("Button2", Change::Visible);
    hidden.visible = false;
    ControlUpdate checked = update("CheckBox1", Change::Checked);
    checked.checked = true;
    ControlUpdate maroon = update("Edit8", Change::FontColor);
    maroon.font_color = kClMaroon;
    ControlUpdate yellow = update("Edit8", Change::FontColor);
    yellow.font_color = kClYellow;
    ControlUpdate line = update("Memo1", Change::LineAdded);
    line.line = "Tuning complete !";
    ControlUpdate typed = update("l_az", Change::Text);
    typed.text = "123.4";
    ControlUpdate again = typed;
    ControlUpdate unseen = update("Edit3", Change::Text);
    unseen.text = "5";
    const Row rows[] = {
        {"enabled", enabled, {"enabled Button1=1"}},
        {"hidden", hidden, {"visible Button2=0"}},
        {"checked", checked, {"checked CheckBox1=1"}},
        {"maroon on grey", maroon, {"colours Edit8=000080 on C0C0C0"}},
        {"yellow on the logs' navy", yellow, {"colours Edit8=00FFFF on 4A2010"}},
        {"a line", line, {"line Memo1+Tuning complete !"}},
        {"cleared", update("Memo1", Change::LinesCleared), {"clear Memo1"}},
        {"a text", typed, {"text l_az=123.4"}},
        {"the same text again", again, {}},
        {"a control the window does not show", unseen, {}},
    };
    for (const Row& row : rows) {
        port.calls.clear();
        presenter->apply(row.update);
        EXPECT_EQ(port.calls, row.calls) << row.what;
    }
}

TEST_F(MainPresenterTest, EchoesWaitUntilTheTypedTextReachedTheEngine) {
    start();
    session.host().set_show_report(
        [](const std::string&, std::function<void()> closed) { closed(); });
    session.start([] {});
    const std::string shown = port.text("Edit13");
    presenter->typed("Edit13", "1.4");
    presenter->typed("Edit13", "1.45");
    text("Edit13", "1.4"); // the engine's echo of the first keystroke
    EXPECT_EQ(port.text("Edit13"), shown);
    ASSERT_TRUE(port.run_posted(1));
    text("Edit13", "1.4"); // one typed text is still on its way
    EXPECT_EQ(port.text("Edit13"), shown);
    ASSERT_TRUE(port.run_posted(1));
    text("Edit13", "1.45");
    EXPECT_EQ(port.text("Edit13"), "1.45");
    // A field that takes no typing is never held back.
    presenter->typed("Edit7", "9");
    text("Edit7", "3");
    EXPECT_EQ(port.text("Edit7"), "3");
    session.stop();
}

TEST_F(MainPresenterTest, ASimulatedPassIsMarkedUntilTheLinkEnds) {
    start();
    struct Row {
        const char* control;
        const char* text;
        const char* link_state;
        const char* colours;
        const char* title_start;
    } rows[] = {
        {"l_dd", "Opened", "Opened", "colours l_dd=C80000 on -", "Brenwick"},
        {"l_st", "SN\"AO-51\" SIMULATED\"GENERATED\"", "SIMULATED PASS",
         "colours l_dd=FFFFFF on 0000C8", "SIMULATED PASS - Brenwick"},
        {"l_st", "No data\n", "Opened", "colours l_dd=C80000 on -", "Brenwick"},
    };
    for (const Row& row : rows) {
        port.calls.clear();
        text(row.control, row.text);
        EXPECT_EQ(port.text("l_dd"), row.link_state) << row.text;
        EXPECT_NE(std::find(port.calls.begin(), port.calls.end(), row.colours), port.calls.end())
            << row.text;
        EXPECT_TRUE(port.title.starts_with(row.title_start)) << port.title;
    }
    EXPECT_TRUE(presenter->source_mark().served_simulated_pass());
}

TEST_F(MainPresenterTest, AWrongReferenceIsMarkedAsItIsTyped) {
    start();
    struct Row {
        const char* field;
        const char* typed;
        const char* colours;
        const char* tooltip;
    } rows[] = {
        {"Edit1", "145.92", "colours Edit1=000000 on BEBEFF",
         "145.92 reads as 145.92 Hz; type 1.459200E8 for 145.920 MHz"},
        {"Edit1", "4.367750E8", "colours Edit1=000000 on FFFFFF", ""},
        {"Edit13", "1,45825E8", "colours Edit13=000000 on BEBEFF",
         "1,45825E8 does not read as a number: the decimal separator is a point; type "
         "1.458250E8 for 145.825 MHz"},
    };
    for (const Row& row : rows) {
        port.calls.clear();
        port.texts[row.field] = row.typed; // the field shows what was typed
        presenter->typed(row.field, row.typed);
        EXPECT_NE(std::find(port.calls.begin(), port.calls.end(), row.colours), port.calls.end())
            << row.typed;
        EXPECT_EQ(port.tooltips[row.field], row.tooltip) << row.typed;
    }
    // A new tracker frequency marks both references again: a power of ten away now.
    port.texts["Edit1"] = "4.367750E7";
    text("l_df", "436775000 Hz");
    EXPECT_NE(port.tooltips["Edit1"].find("10 times below the tracker's 436.775 MHz"),
              std::string::npos)
        << port.tooltips["Edit1"];
}

TEST_F(MainPresenterTest, ReadoutsSayWhatTheyAreTold) {
    start();
    presenter->show_link_status("the tracker ended the conversation");
    EXPECT_EQ(port.readouts[Readout::LinkStatus],
              "Tracker link: the tracker ended the conversation");
    EXPECT_EQ(port.tooltips["l_dd"],
              "the tracker ended the conversation\nClick to open the link to the tracker");

    presenter->show_held_report("3 more reports while the first was open");
    EXPECT_EQ(port.readouts[Readout::Footer], "3 more reports while the first was open in 0000B0");
    EXPECT_EQ(port.calls.back(), "footer timer 10000");
    presenter->footer_back();
    EXPECT_TRUE(port.readouts[Readout::Footer].ends_with(" in 605050"));

    presenter->show_dial({Side::Tx, 145825100.0, 100.0, 0});
    EXPECT_EQ(port.readouts[Readout::TxDial], "Dial estimate\n145825100 Hz\n+100 Hz off");
    EXPECT_EQ(port.readouts[Readout::RxDial], "Dial estimate\nno reference");

    presenter->show_live("SN\"AO-51\" AZ1.0 EL12.5 DN436775300 UP145825000", 36'000'000);
    EXPECT_TRUE(port.readouts[Readout::Live].starts_with("Live  EL 12.5°  DN 436775300 Hz"))
        << port.readouts[Readout::Live];

    port.calls.clear();
    presenter->show_train_progress({Channel::TxDown, 2, 10, 4000, true});
    presenter->show_train_progress({Channel::RxUp, 3, 3, 0, false});
    EXPECT_EQ(port.calls, (std::vector<std::string>{"train TX 2/10", "stop TX=1", "train RX 3/3",
                                                    "stop RX=0"}));

    port.calls.clear();
    presenter->follow_focus("Button7");
    presenter->follow_focus("Button4"); // not shown: nothing takes the focus
    EXPECT_EQ(port.calls, std::vector<std::string>{"focus Button7"});
}

} // namespace
