// dopplexd's configuration as an operator writes it: what a file gives, and for each fault the
// message that names the place; then which transponder a downlink frequency picks.
#include "case_name.h"
#include "daemon_config.h"
#include "daemon_files.h"
#include "scratch_dir.h"
#include "small_file.h"

#include <gtest/gtest.h>

#include <fstream>

namespace dopplex::headless {
namespace {

constexpr const char* kAo91 = "[transponder AO-91]\ndownlink = 145960000\nuplink = 435250000\n";

struct FileCase {
    const char* name;
    std::string text;
    std::string error; // empty: the file is good
};

class ConfigFile : public testing::TestWithParam<FileCase> {};

TEST_P(ConfigFile, ReadsOrSaysWhereItIsWrong) {
    DaemonConfig config;
    try {
        read_config(GetParam().text, "d.conf", config);
        EXPECT_EQ(GetParam().error, "") << "accepted";
    } catch (const ConfigError& error) {
        EXPECT_EQ(error.what(), GetParam().error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigFile,
    testing::Values(
        FileCase{"empty", "", ""},
        FileCase{"comments_and_blank_lines", "# a station\n; and more\n\n[dopplexd]\n", ""},
        FileCase{"every_setting",
                 "[dopplexd]\nport = gpio:gpiochip0:17,18,27,22,23,24,25,4\nrig = 0.0.0.0:4532\n"
                 "uplink_rig = 127.0.0.1:4534\nrotator = 127.0.0.1:4533\npage = off\n"
                 "pass_log = off\ntracking = classic\nstart_at_aos = off\nlock = inverting\n" +
                     std::string(kAo91) +
                     "rx_step = 1000\ntx_step = 1000\nrx_press_ms = 60\n"
                     "tx_gap_ms = 1000\n",
                 ""},
        FileCase{"not_a_pair", "[dopplexd]\nport gpio\n",
                 "d.conf:2: not \"key = value\", \"[section]\" or a comment"},
        FileCase{"unknown_setting", "[dopplexd]\nspeed = 3\n",
                 "d.conf:2: unknown setting \"speed\" in [dopplexd]"},
        FileCase{"unknown_section", "[radio]\n", ""},
        FileCase{"unknown_section_with_a_key", "[radio]\nmodel = 2\n",
                 "d.conf:2: unknown section [radio]: [dopplexd] or [transponder NAME]"},
        FileCase{"setting_twice", "[dopplexd]\nrig = 1\nrig = 2\n",
                 "d.conf:3: \"rig\" given twice in [dopplexd]"},
        FileCase{"transponder_twice", std::string(kAo91) + "[dopplexd]\n" + kAo91,
                 "d.conf:6: \"downlink\" given twice in [transponder AO-91]"},
        FileCase{"bad_word", "[dopplexd]\nstart_at_aos = yes\n",
                 "d.conf:2: \"start_at_aos\" must be one of on, off, not \"yes\""},
        FileCase{"closed_loop_two_steps",
                 "[dopplexd]\ntracking = closed\n" + std::string(kAo91) +
                     "rx_step = 25\ntx_step = 5000\nrx_press_ms = 60\n",
                 ""},
        FileCase{"frequency_not_a_number", "[transponder X]\ndownlink = 145.96e6\n",
                 "d.conf:2: \"downlink\" must be a whole number, not \"145.96e6\""},
        FileCase{"frequency_too_low", "[transponder X]\nuplink = 999\n",
                 "d.conf:2: \"uplink\" must be from 1000000 to 100000000000, not 999"},
        FileCase{"no_uplink", "[transponder X]\ndownlink = 145960000\n",
                 "d.conf: [transponder X] needs both downlink and uplink (Hz)"},
        FileCase{"step_not_offered", std::string(kAo91) + "rx_step = 50\n",
                 "d.conf:4: \"rx_step\" must be 10, 25, 100, 1000, 2500, 5000, 6250 or 12500 "
                 "Hz, not 50"},
        FileCase{"classic_step_without_tune", std::string(kAo91) + "rx_step = 25\ntx_step = 25\n",
                 "d.conf: [transponder AO-91]: classic tracking tunes at AOS at 100 or 1000 Hz "
                 "steps only"},
        FileCase{"classic_two_steps", std::string(kAo91) + "tx_step = 1000\n",
                 "d.conf: [transponder AO-91]: classic tracking has one step for both sides; "
                 "set tracking = closed for two"},
        FileCase{"press_too_short", std::string(kAo91) + "tx_press_ms = 29\n",
                 "d.conf:4: \"tx_press_ms\" must be from 30 to 1000, not 29"},
        FileCase{"unknown_side_setting", std::string(kAo91) + "rx_hold = 3\n",
                 "d.conf:4: unknown setting \"rx_hold\" in [transponder AO-91]"},
        FileCase{"lan_lists",
                 "[dopplexd]\nrig_allow = 192.168.1.0/24, 10.0.0.5\n"
                 "rotator_allow = fd00::/8\npage_names = Shack.local, pi\n",
                 ""},
        FileCase{"allow_not_a_network", "[dopplexd]\nrotator_allow = 192.168.1.0/33\n",
                 "d.conf:2: rotator_allow: \"192.168.1.0/33\" is not an address or a network "
                 "such as 192.168.1.0/24"},
        FileCase{"page_name_not_a_name", "[dopplexd]\npage_names = shack, evil/x\n",
                 "d.conf:2: \"page_names\": \"evil/x\" is not a host name"},
        FileCase{"cat_radios",
                 "[dopplexd]\ntracking = closed\nrx_radio = cat:127.0.0.1:4532\n" +
                     std::string(kAo91) +
                     "tx_radio = cat:[::1]:4532:split\ntx_sets_per_s = 10\ntx_resolution_hz = 10\n",
                 ""},
        FileCase{"cat_radio_without_a_port", "[dopplexd]\nrx_radio = cat:127.0.0.1\n",
                 "d.conf:2: \"rx_radio\": \"cat:127.0.0.1\" is not a radio: the port is missing "
                 "(buttons or cat:HOST:PORT[:VFO])"},
        FileCase{"cat_rate_too_high", std::string(kAo91) + "rx_sets_per_s = 50\n",
                 "d.conf:4: \"rx_sets_per_s\" must be from 1 to 20, not 50"},
        FileCase{"cat_radio_in_classic", std::string(kAo91) + "rx_radio = cat:pi:4532\n",
                 "d.conf: a CAT radio follows the closed loop: set tracking = closed"},
        FileCase{"line_too_long", "[dopplexd]\nport = " + std::string(300, 'x') + "\n",
                 "d.conf:2: line too long"}),
    [](const auto& info) { return test::case_name(info.param.name, info.index); });

TEST(ConfigFiles, ALaterFileOverridesSettingsAndReplacesTransponders) {
    DaemonConfig config;
    read_config("[dopplexd]\nrig = 0.0.0.0:4532\npage = off\n" + std::string(kAo91) +
                    "[transponder SO-50]\ndownlink = 436795000\nuplink = 145850000\n",
                "/etc/dopplex/dopplexd.conf", config);
    read_config("[dopplexd]\npage = 0.0.0.0:8073\n[transponder AO-91]\ndownlink = 145960000\n"
                "uplink = 435250000\nrx_step = 1000\ntx_step = 1000\n",
                "user", config);
    EXPECT_EQ(config.rig, "0.0.0.0:4532");
    EXPECT_EQ(config.page, "0.0.0.0:8073");
    ASSERT_EQ(config.transponders.size(), 2u);
    EXPECT_EQ(config.transponders[0].name, "AO-91");
    EXPECT_EQ(config.transponders[0].sides[0].step_hz, 1000);
    EXPECT_EQ(config.transponders[1].name, "SO-50");
}

TEST(StateFile, WhatIsWrittenReadsBackAndFaultsAreNamed) {
    DaemonState state;
    state.token = "0123abcd";
    state.offsets_hz["AO-91"] = {300, -1200};
    state.offsets_hz["RS-44 linear"] = {0, 25};
    EXPECT_EQ(read_state(write_state(state), "s"), state);
    EXPECT_THROW(read_state("[offsets AO-91]\nrx = 1.5\n", "s"), ConfigError);
    EXPECT_THROW(read_state("[page]\nsecret = 1\n", "s"), ConfigError);
}

// A state file that cannot be used is set aside under the time and the start goes on without it;
// a good one stays where it is.
TEST(StateFile, OneThatCannotBeUsedIsSetAside) {
    const test::ScratchDir dir;
    const std::string file = dir / "dopplexd.state";
    const auto now = std::chrono::system_clock::from_time_t(1796720220); // 2026-12-08 08:57:00
    const std::string aside = file + ".bad-20261208T085700Z";
    DaemonState good;
    good.offsets_hz["AO-91"] = {300, -1200};
    DaemonState cat_tx; // a CAT radio's offset is any whole hertz
    cat_tx.offsets_hz["AO-91"] = {300, 137};
    DaemonConfig config;
    read_config("[dopplexd]\ntracking = closed\n" + std::string(kAo91) +
                    "tx_radio = cat:127.0.0.1:4540\n",
                "d.conf", config);
    const struct {
        const char* what;
        std::string text; // empty: no file
        DaemonState state;
        std::string why; // empty: not set aside
    } rows[] = {
        {"a good one", write_state(good), good, ""},
        {"none", "", {}, ""},
        {"an offset past 64 bits",
         "[offsets AO-91]\nrx = 99999999999999999999\n",
         {},
         ":2: \"rx\" must be a whole number, not \"99999999999999999999\""},
        {"an offset over its bound",
         "[offsets AO-91]\nrx = 5000000\n",
         {},
         ":2: \"rx\" must be from -1000000 to 1000000, not 5000000"},
        {"a NUL byte in a value",
         std::string("[offsets AO-91]\nrx = 40\0 00\n", 28),
         {},
         ":2: a NUL byte, not text"},
        {"an offset off the side's step",
         "[offsets AO-91]\nrx = 150\ntx = 0\n",
         {},
         ": [offsets AO-91] \"rx\" = 150 is not a multiple of the side's step, 100 Hz"},
        {"a CAT side's offset in hertz", write_state(cat_tx), cat_tx, ""},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(aside);
        std::filesystem::remove(file);
        if (!row.text.empty()) {
            std::ofstream(file) << row.text;
        }
        const UsableState usable = load_state_or_set_aside(file, config, now);
        EXPECT_EQ(usable.state, row.state) << row.what;
        EXPECT_EQ(std::filesystem::exists(file), !row.text.empty() && row.why.empty()) << row.what;
        EXPECT_EQ(std::filesystem::exists(aside), !row.why.empty()) << row.what;
        if (row.why.empty()) {
            EXPECT_EQ(usable.set_aside, "") << row.what;
            continue;
        }
        EXPECT_EQ(usable.set_aside,
                  file + row.why + ": set aside as " + aside + "; starting with no learnt offsets")
            << row.what;
        std::ifstream kept(aside);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), row.text) << row.what;
    }
}

// A file too large for what it claims to be is refused before it is read, naming the file and the
// bound; one at the bound is read.
TEST(ConfigFiles, OnlySmallFilesAreRead) {
    const test::ScratchDir dir;
    const std::string big = dir / "big", at_bound = dir / "at_bound";
    std::ofstream(big).close();
    std::filesystem::resize_file(big, 4ull << 30); // sparse: nothing is written or read
    std::string comments;
    while (comments.size() < kSmallFileBytes) {
        comments += "# " + std::string(61, '-') + "\n";
    }
    std::ofstream(at_bound) << comments.substr(0, kSmallFileBytes);
    const auto as_config = [](const std::string& file) { load_named_config(file); };
    const auto as_state = [](const std::string& file) { load_state(file); };
    const struct {
        const char* what;
        std::string file;
        std::function<void(const std::string&)> load;
        std::string error; // empty: read
    } rows[] = {
        {"a configuration of 4 GiB", big, as_config,
         big + ": larger than 1 MiB, the most dopplexd reads"},
        {"a state file of 4 GiB", big, as_state,
         big + ": larger than 1 MiB, the most dopplexd reads"},
        {"a device that never ends", "/dev/zero", as_config,
         "/dev/zero: larger than 1 MiB, the most dopplexd reads"},
        {"a configuration of 1 MiB", at_bound, as_config, ""},
    };
    for (const auto& row : rows) {
        try {
            row.load(row.file);
            EXPECT_EQ(row.error, "") << row.what << ": read";
        } catch (const ConfigError& error) {
            EXPECT_EQ(error.what(), row.error) << row.what;
        }
    }
}

struct ChoiceCase {
    const char* name;
    double downlink_hz;
    const char* chosen; // empty: none
    std::string why;
};

class TransponderChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(TransponderChoiceTest, PicksTheOneWithin15kHz) {
    DaemonConfig config;
    read_config(std::string(kAo91) +
                    "[transponder SO-50]\ndownlink = 436795000\nuplink = 145850000\n"
                    "[transponder RS-44]\ndownlink = 435640000\nuplink = 145965000\n"
                    "[transponder RS-44 upper]\ndownlink = 435660000\nuplink = 145945000\n",
                "d.conf", config);
    const TransponderChoice choice = choose_transponder(config, GetParam().downlink_hz);
    EXPECT_EQ(choice.transponder ? choice.transponder->name : "", GetParam().chosen);
    EXPECT_EQ(choice.why, GetParam().why);
}

INSTANTIATE_TEST_SUITE_P(
    Downlinks, TransponderChoiceTest,
    testing::Values(
        ChoiceCase{"nominal", 145960000, "AO-91", ""},
        ChoiceCase{"15_kHz_above", 145975000, "AO-91", ""},
        ChoiceCase{"15_kHz_below", 436780000, "SO-50", ""},
        ChoiceCase{"just_beyond", 145975001, "",
                   "no transponder within 15 kHz of the downlink 145975001 Hz: no press until "
                   "one is configured"},
        ChoiceCase{"two_within", 435650000, "",
                   "transponders RS-44 and RS-44 upper both lie within 15 kHz of the downlink "
                   "435650000 Hz: no press until one is removed"},
        ChoiceCase{"between_but_one_near", 435626000, "RS-44", ""}),
    [](const auto& info) { return test::case_name(info.param.name, info.index); });

} // namespace
} // namespace dopplex::headless
