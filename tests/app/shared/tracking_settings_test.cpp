// The tracking's choices, offsets and radios through the settings file and back, as the next run
// of the program finds them; the command line's mode and radios win for its run only.
#include "keying/recording_port.h"
#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"
#include "scratch_dir.h"
#include "settings/file_settings_store.h"
#include "tracking_settings.h"

#include <gtest/gtest.h>

using namespace dopplex;
using namespace dopplex::app;

namespace {

struct ProgramRun {
    VirtualHost host;
    EventLoop loop{host};
    RecordingPort port{host};
    TFMain form{loop, port};
};

} // namespace

TEST(TrackingSettings, WhatOneRunRemembersTheNextFinds) {
    test::ScratchDir dir;
    settings::FileSettingsStore store((std::filesystem::path(dir.path()) / "registry").string());

    ProgramRun first;
    LoopSettings chosen;
    chosen.side(Side::Rx) = LoopSide{25, 60, 60};
    chosen.side(Side::Tx) = LoopSide{5000, 200, 300};
    chosen.start_at_aos = true;
    chosen.lock = OffsetLock::Inverting;
    first.form.closed_loop.configure(chosen);
    first.form.closed_loop.keep_offsets({{"AO-51", {100, -25}}, {"ISS; FM", {0, 12500}}});
    first.form.SetTrackingMode(TrackingMode::Closed);
    remember_tracking(store, tracking_memory(first.form));
    const SideRadios radios{CatAddress{"127.0.0.1", 4540, "split"}, std::nullopt};
    remember_values(store, radio_values(radios));

    struct Row {
        const char* what;
        std::optional<TrackingMode> command_line;
        TrackingMode used;
        std::map<Side, std::optional<CatAddress>> given_radios;
        SideRadios used_radios;
    };
    const Row rows[] = {
        {"as remembered", std::nullopt, TrackingMode::Closed, {}, radios},
        {"--tracking classic --tx-radio cat:h:1",
         TrackingMode::Classic,
         TrackingMode::Classic,
         {{Side::Tx, CatAddress{"h", 1, ""}}},
         {radios[0], CatAddress{"h", 1, ""}}},
        {"--rx-radio buttons", std::nullopt, TrackingMode::Closed, {{Side::Rx, std::nullopt}}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ProgramRun next;
        const RecalledTracking recalled = recall_tracking(store, next.form, row.command_line);
        EXPECT_TRUE(recalled.problems.empty());
        EXPECT_EQ(recalled.remembered_mode, TrackingMode::Closed);
        EXPECT_EQ(recalled.radios, radios);
        EXPECT_EQ(radios_for_run(recalled.radios, row.given_radios), row.used_radios);
        EXPECT_EQ(next.form.tracking_mode, row.used);
        EXPECT_EQ(next.form.closed_loop.settings(), chosen);
        EXPECT_EQ(next.form.closed_loop.kept_offsets(), first.form.closed_loop.kept_offsets());
    }

    // A value edited by hand into something the loop cannot use keeps its default, and says so.
    store.write_text(kTrackingMemoryKey, "RxStepHz", "50");
    store.write_text(kTrackingMemoryKey, "RxRadio", "cat:127.0.0.1");
    ProgramRun edited;
    const RecalledTracking recalled = recall_tracking(store, edited.form, std::nullopt);
    ASSERT_EQ(recalled.problems.size(), 2u);
    EXPECT_EQ(recalled.problems[1].rfind("The setting RxRadio is not used: ", 0), 0u);
    EXPECT_EQ(recalled.radios, SideRadios{});
    EXPECT_EQ(edited.form.closed_loop.settings().side(Side::Rx).step_hz, LoopSide{}.step_hz);
    EXPECT_EQ(edited.form.closed_loop.settings().side(Side::Tx).step_hz, 5000);
}
