// dopplex-bench-timing: how close the output lines come to their ideal times on this machine,
// idle and with every core busy, next to a naive loop of relative sleeps; and the CPU time of a
// tracking stretch; with --heavy, a train under a heavy load at normal and real-time priority.
// Writes through the trace backend and reads its file back.
#include "busy_load.h"
#include "cpu_stretch.h"
#include "edge_errors.h"
#include "heavy_load.h"
#include "keying/pulses.h"
#include "loop/closed_loop.h"
#include "realtime/realtime_request.h"
#include "runs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <random>
#else
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace dopplex::bench {
namespace {

constexpr double kMedianGoalMs = 0.2;
constexpr double kP99GoalMs = 2.0;
constexpr double kCpuGoalPercent = 0.5;
constexpr int kLoadThreads = 2;
// Under the heavy load, with real-time priority.
constexpr double kHeavyP99GoalMs = 1.0;
constexpr double kHeavyMaxGoalMs = 5.0;
constexpr double kHeavyPressGoalMs = 250.0;
constexpr int kHogsPerCore = 8;

struct Sizes {
    int trains = 2;
    int train_pulses = 100;
    int singles = 50;
    int ticks = 80;
    int chains = 5;
    int chain_pulses = 3;
    int naive_pulses = 100;
    int cpu_seconds = 60;
    int loop_presses = 100; // per press length
};

Sizes quick_sizes() {
    return {1, 10, 5, 6, 2, 2, 10, 5, 10};
}

const char* const kUsage = R"(Usage: dopplex-bench-timing [options]
Measures the error of every output line edge against its ideal time, written through the trace
backend on the real clock, idle and with every core busy, next to a naive loop of 200 ms relative
sleeps; then the CPU time of a tracking stretch with one update a second.
  --quick              short runs for a smoke test (about a minute)
  --cpu-seconds N      length of the tracking stretch (default 60)
  --timer-slack-us N   the engine thread's timer slack (Linux default 50), to see what setting
                       it in the application would gain
  --loop-presses N     the closed loop's presses per press length and load (default 100;
                       10000 for a long run)
  --keep-traces        keep the trace files and print their folder
  --loop-long N MS     instead: N closed-loop presses of MS ms (gaps as long) with every core
                       busy, at the real-time priority the application asks for
  --heavy N            instead: a train of N seconds under a heavy load (eight spinning threads
                       per core and a disk writer), at normal priority and then with the
                       real-time priority the application asks for; press lengths and edges
The full run takes about ten minutes.
)";

struct Options {
    Sizes sizes;
    bool keep_traces = false;
    std::optional<unsigned long> timer_slack_us;
    std::optional<int> heavy_seconds;
    std::optional<std::pair<int, std::int64_t>> loop_long; // presses, press length
};

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.sizes = quick_sizes();
        } else if (arg == "--keep-traces") {
            options.keep_traces = true;
        } else if (arg == "--cpu-seconds" && i + 1 < argc) {
            options.sizes.cpu_seconds = std::stoi(argv[++i]);
            if (options.sizes.cpu_seconds < 1) {
                throw std::invalid_argument("--cpu-seconds needs at least 1");
            }
        } else if (arg == "--loop-presses" && i + 1 < argc) {
            options.sizes.loop_presses = std::stoi(argv[++i]);
            if (options.sizes.loop_presses < 1) {
                throw std::invalid_argument("--loop-presses needs at least 1");
            }
        } else if (arg == "--loop-long" && i + 2 < argc) {
            const int presses = std::stoi(argv[++i]);
            const int press_ms = std::stoi(argv[++i]);
            if (presses < 1 || press_ms < 30 || press_ms > 1000) {
                throw std::invalid_argument("--loop-long needs at least 1 press of 30 to 1000 ms");
            }
            options.loop_long.emplace(presses, press_ms);
        } else if (arg == "--heavy" && i + 1 < argc) {
            options.heavy_seconds = std::stoi(argv[++i]);
            if (*options.heavy_seconds < 2) {
                throw std::invalid_argument("--heavy needs at least 2 seconds");
            }
        } else if (arg == "--timer-slack-us" && i + 1 < argc) {
            options.timer_slack_us = std::stoul(argv[++i]);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else {
            throw std::invalid_argument("unknown option " + arg);
        }
    }
    return options;
}

#ifdef _WIN32
std::filesystem::path make_trace_folder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto folder =
            std::filesystem::temp_directory_path() / ("dopplex-bench-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder)) {
            return folder;
        }
    }
    throw std::runtime_error("cannot create a folder for the trace files in " +
                             std::filesystem::temp_directory_path().string());
}

// Windows has no timer slack to set or show.
bool set_timer_slack(unsigned long) {
    return false;
}
std::string timer_slack_text() {
    return "none (Windows)";
}
#else
std::filesystem::path make_trace_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dopplex-bench-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder for the trace files in " + pattern);
    }
    return pattern;
}

bool set_timer_slack(unsigned long us) {
    return prctl(PR_SET_TIMERSLACK, us * 1000) == 0;
}
std::string timer_slack_text() {
    return std::to_string(prctl(PR_GET_TIMERSLACK) / 1000) + " us";
}
#endif

// The closed loop's press lengths: short presses many radios take, and the default.
constexpr std::int64_t kLoopPressesMs[][2] = {{60, 60}, {200, 200}};

struct LoopRow {
    std::int64_t press_ms;
    std::string load;
    TrainPresses presses;
};

struct Row {
    std::string run;
    std::string load;
    bool real_host = true;
    EdgeErrors errors;
};

struct RunKind {
    std::string name;
    bool real_host;
    std::function<EdgeErrors(const std::string& trace_path)> run;
};

std::vector<RunKind> run_kinds(const Sizes& s) {
    return {
        {"train of " + std::to_string(s.train_pulses) + " pulses", true,
         [s](const std::string& path) {
             EdgeErrors all;
             for (int t = 0; t < s.trains; ++t) {
                 const std::string file = path + "." + std::to_string(t);
                 append(all, run_train(file, s.train_pulses));
             }
             return all;
         }},
        {"single pulses (clicks)", true,
         [s](const std::string& path) { return run_single_pulses(path, s.singles); }},
        {"tracking ticks", true,
         [s](const std::string& path) { return run_tracking_ticks(path, s.ticks); }},
        {"Tune chain, " + std::to_string(s.chain_pulses) + " pulses", true,
         [s](const std::string& path) { return run_tune_chains(path, s.chains, s.chain_pulses); }},
        {"naive sleep_for loop", false,
         [s](const std::string& path) { return run_naive_loop(path, s.naive_pulses); }},
    };
}

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string pad(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string goal_verdict(const ErrorStats& stats) {
    return stats.median < kMedianGoalMs && stats.p99 < kP99GoalMs ? "met" : "MISSED";
}

void print_row(const std::string& run, const std::string& load, const EdgeErrors& errors,
               const std::string& goal) {
    const ErrorStats stats = summarize(errors.ms);
    std::ostringstream edges;
    edges << errors.edges;
    if (errors.edges != errors.expected) {
        edges << "/" << errors.expected;
    }
    if (errors.mismatched > 0) {
        edges << " (" << errors.mismatched << " wrong)";
    }
    std::cout << "| " << pad(run, 26) << " | " << pad(load, 6) << " | " << pad(edges.str(), 5)
              << " | " << pad(fixed(stats.median, 3), 6) << " | " << pad(fixed(stats.p99, 3), 6)
              << " | " << pad(fixed(stats.max, 3), 7) << " | " << pad(goal, 6) << " |\n";
}

void print_table(const std::vector<Row>& rows) {
    std::cout << "\nEdge error |actual - ideal| in ms; the first edge of each run sets its "
                 "schedule.\n"
              << "Goals on the idle machine: median below " << fixed(kMedianGoalMs, 1)
              << " ms, 99th percentile below " << fixed(kP99GoalMs, 1) << " ms.\n\n"
              << "| run                        | load   | edges | median | p99    | max     | "
                 "goal   |\n"
              << "|----------------------------|--------|-------|--------|--------|---------|"
                 "--------|\n";
    EdgeErrors idle_all, loaded_all;
    for (const Row& row : rows) {
        const bool idle = row.load == "idle";
        std::string goal = "-";
        if (row.real_host) {
            append(idle ? idle_all : loaded_all, row.errors);
            if (idle) {
                goal = goal_verdict(summarize(row.errors.ms));
            }
        }
        print_row(row.run, row.load, row.errors, goal);
    }
    print_row("all Dopplex runs", "idle", idle_all, goal_verdict(summarize(idle_all.ms)));
    print_row("all Dopplex runs", "loaded", loaded_all, "-");
}

void print_loop_presses(const std::vector<LoopRow>& rows) {
    std::cout
        << "\nClosed loop: RX press lengths (rise to fall, ms) on the real clock; none may "
           "be held more than its length + "
        << kLatePressMs << " ms.\n\n"
        << "| press / gap | load   | presses | missing | min     | median  | max     | over | "
           "guard ended |\n"
        << "|-------------|--------|---------|---------|---------|---------|---------|------|"
           "-------------|\n";
    for (const LoopRow& row : rows) {
        std::vector<double> lengths = row.presses.press_ms;
        std::sort(lengths.begin(), lengths.end());
        const auto over = std::count_if(lengths.begin(), lengths.end(), [&](double ms) {
            return ms > static_cast<double>(row.press_ms + kLatePressMs);
        });
        const auto length = [&lengths](std::size_t at) {
            return lengths.empty() ? std::string("-") : fixed(lengths[at], 3);
        };
        std::cout << "| " << pad(std::to_string(row.press_ms) + " ms", 11) << " | "
                  << pad(row.load, 6) << " | " << pad(std::to_string(lengths.size()), 7) << " | "
                  << pad(std::to_string(row.presses.missing), 7) << " | " << pad(length(0), 7)
                  << " | " << pad(length(lengths.empty() ? 0 : (lengths.size() - 1) / 2), 7)
                  << " | " << pad(length(lengths.empty() ? 0 : lengths.size() - 1), 7) << " | "
                  << pad(std::to_string(over), 4) << " | "
                  << pad(std::to_string(row.presses.late), 11) << " |\n";
    }
}

void print_cpu(const CpuUse& use) {
    std::cout << "\nCPU while tracking (" << fixed(use.wall_s, 1) << " s, two tracking timers, "
              << use.updates << " updates, one a second): " << fixed(use.cpu_s * 1000, 1)
              << " ms of CPU = " << fixed(use.percent(), 3) << " % of one core (goal below "
              << fixed(kCpuGoalPercent, 1)
              << " %): " << (use.percent() < kCpuGoalPercent ? "met" : "MISSED") << "\n";
}

std::string load_average() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// The same train under the heavy load at normal priority, then real-time, side by side.
void run_heavy(const std::filesystem::path& folder, int seconds) {
    const std::string load_before = load_average();
    const int pulses = seconds * 1000 / (2 * static_cast<int>(kHalfPeriodMs));
    struct HeavyRow {
        std::string priority;
        TrainPresses presses;
    };
    std::vector<HeavyRow> rows;
    realtime::Outcome granted;
    int hogs = 0;
    {
        const HeavyLoad load(kHogsPerCore, folder / "disk-writer.scratch");
        hogs = load.hogs();
        for (const bool realtime : {false, true}) {
            std::cerr << "running a train of " << pulses << " pulses under the heavy load, "
                      << (realtime ? "real-time" : "normal priority") << " ...\n";
            std::function<void()> watchdog_setup;
            if (realtime) {
                granted = realtime::request_for_this_thread(realtime::kEnginePriority);
                watchdog_setup = [] {
                    realtime::request_for_this_thread(realtime::kWatchdogPriority);
                };
            }
            const std::string path =
                (folder / (std::string(realtime ? "realtime" : "normal") + ".trace")).string();
            rows.push_back({realtime ? "real-time" : "normal",
                            run_train_presses(path, pulses, watchdog_setup)});
            if (realtime) {
                realtime::return_to_normal();
            }
        }
    }
    std::cout << "Dopplex under heavy load on " << std::thread::hardware_concurrency()
              << " cores: " << hogs << " spinning threads and a disk writer at normal priority; "
              << "load average before " << load_before << ", after " << load_average() << "\n"
              << "Real-time: "
              << (granted.realtime ? granted.how : "NOT granted (" + granted.why + ")")
              << (granted.memory_locked ? ", memory locked" : "") << "\n\n"
              << "Goals with real-time priority: edge p99 below " << fixed(kHeavyP99GoalMs, 0)
              << " ms, max below " << fixed(kHeavyMaxGoalMs, 0) << " ms, no press longer than "
              << fixed(kHeavyPressGoalMs, 0) << " ms.\n\n"
              << "| priority  | presses | press min | median  | max     | edge p99 | edge max | "
                 "guard ended | goal   |\n"
              << "|-----------|---------|-----------|---------|---------|----------|----------|"
                 "-------------|--------|\n";
    for (const HeavyRow& row : rows) {
        const ErrorStats edges = summarize(row.presses.errors.ms);
        std::vector<double> lengths = row.presses.press_ms;
        std::sort(lengths.begin(), lengths.end());
        const double shortest = lengths.empty() ? 0 : lengths.front();
        const double longest = lengths.empty() ? 0 : lengths.back();
        const double median = lengths.empty() ? 0 : lengths[(lengths.size() - 1) / 2];
        const bool met = edges.p99 < kHeavyP99GoalMs && edges.max < kHeavyMaxGoalMs &&
                         longest <= kHeavyPressGoalMs && row.presses.errors.mismatched == 0;
        std::cout << "| " << pad(row.priority, 9) << " | " << pad(std::to_string(lengths.size()), 7)
                  << " | " << pad(fixed(shortest, 3), 9) << " | " << pad(fixed(median, 3), 7)
                  << " | " << pad(fixed(longest, 3), 7) << " | " << pad(fixed(edges.p99, 3), 8)
                  << " | " << pad(fixed(edges.max, 3), 8) << " | "
                  << pad(std::to_string(row.presses.late), 11) << " | "
                  << pad(row.priority == "normal" ? "-" : (met ? "met" : "MISSED"), 6) << " |\n";
    }
}

// One long run of the closed loop's presses with every core busy, as the application runs them.
void run_loop_long(const std::filesystem::path& folder, int presses, std::int64_t press_ms) {
    const std::string load_before = load_average();
    realtime::Outcome granted;
    std::vector<LoopRow> rows;
    {
        const BusyLoad busy(kLoadThreads);
        granted = realtime::request_for_this_thread(realtime::kEnginePriority);
        std::cerr << "running " << presses << " closed-loop presses of " << press_ms
                  << " ms, loaded ...\n";
        rows.push_back({press_ms, "loaded",
                        run_loop_presses(
                            (folder / "loop-long.trace").string(), presses, press_ms, press_ms, [] {
                                realtime::request_for_this_thread(realtime::kWatchdogPriority);
                            })});
        realtime::return_to_normal();
    }
    std::cout << "Dopplex closed loop on " << std::thread::hardware_concurrency()
              << " cores; loaded: " << kLoadThreads << " spinning threads; load average before "
              << load_before << ", after " << load_average() << "\nReal-time: "
              << (granted.realtime ? granted.how : "NOT granted (" + granted.why + ")")
              << (granted.memory_locked ? ", memory locked" : "") << "\n";
    print_loop_presses(rows);
}

int run(int argc, char** argv) {
    const Options options = parse_options(argc, argv);
    if (options.loop_long || options.heavy_seconds) {
        const std::filesystem::path folder = make_trace_folder();
        if (options.loop_long) {
            run_loop_long(folder, options.loop_long->first, options.loop_long->second);
        } else {
            run_heavy(folder, *options.heavy_seconds);
        }
        if (options.keep_traces) {
            std::cout << "\nTrace files: " << folder.string() << "\n";
        } else {
            std::filesystem::remove_all(folder);
        }
        return 0;
    }
    // The main thread plays the engine thread; the feeder and spinners inherit the slack.
    if (options.timer_slack_us && !set_timer_slack(*options.timer_slack_us)) {
        throw std::runtime_error("cannot set the timer slack");
    }
    const std::string load_before = load_average();
    const std::filesystem::path folder = make_trace_folder();
    std::vector<Row> rows;
    std::vector<LoopRow> loop_rows;
    for (const bool loaded : {false, true}) {
        const std::string load = loaded ? "loaded" : "idle";
        std::optional<BusyLoad> busy;
        if (loaded) {
            busy.emplace(kLoadThreads);
        }
        for (const RunKind& kind : run_kinds(options.sizes)) {
            std::cerr << "running " << kind.name << ", " << load << " ...\n";
            const std::string path =
                (folder / (std::to_string(rows.size()) + "-" + load + ".trace")).string();
            rows.push_back({kind.name, load, kind.real_host, kind.run(path)});
        }
        for (const auto& [press, gap] : kLoopPressesMs) {
            std::cerr << "running the closed loop's " << press << " ms presses, " << load
                      << " ...\n";
            const std::string path =
                (folder / ("loop-" + std::to_string(press) + "-" + load + ".trace")).string();
            loop_rows.push_back(
                {press, load, run_loop_presses(path, options.sizes.loop_presses, press, gap)});
        }
    }
    std::cerr << "running the tracking stretch, " << options.sizes.cpu_seconds << " s ...\n";
    const CpuUse cpu = run_tracking_stretch((folder / "tracking-stretch.trace").string(),
                                            options.sizes.cpu_seconds);

    std::cout << "Dopplex timing on " << std::thread::hardware_concurrency()
              << " cores; loaded: " << kLoadThreads << " spinning threads; timer slack "
              << timer_slack_text() << "; load average before " << load_before << ", after "
              << load_average() << "\nPriority: as started (this run asks for "
              << "none; --heavy and --loop-long ask for real-time)\n";
    print_table(rows);
    print_loop_presses(loop_rows);
    print_cpu(cpu);
    if (options.keep_traces) {
        std::cout << "\nTrace files: " << folder.string() << "\n";
    } else {
        std::filesystem::remove_all(folder);
    }
    return 0;
}

} // namespace
} // namespace dopplex::bench

int main(int argc, char** argv) {
    try {
        return dopplex::bench::run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "dopplex-bench-timing: " << e.what() << '\n';
        return 1;
    }
}
