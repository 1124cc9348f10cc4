#include "cpu_stretch.h"

#include "bench_window.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace dopplex::bench {

namespace {

// About a pulse every five seconds on each side.
constexpr std::int64_t kDriftHzPerSecond = 20;
constexpr std::int64_t kStartOffsetHz = 2000;

#ifdef _WIN32
double cpu_seconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}
#else
double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
#endif

} // namespace

CpuUse run_tracking_stretch(const std::string& trace_path, int seconds) {
    CpuUse use;
    BenchWindow window(trace_path);
    const auto text_at = [](std::int64_t s) {
        return tracking_text(kRxReferenceHz + kStartOffsetHz - kDriftHzPerSecond * s,
                             kTxReferenceHz - kStartOffsetHz + kDriftHzPerSecond * s);
    };
    window.prepare(kRxReferenceHz + kStartOffsetHz, kTxReferenceHz - kStartOffsetHz);
    window.form.Click("Button11");
    window.form.Click("Button19");

    const double cpu_before = cpu_seconds();
    const auto begun = std::chrono::steady_clock::now();
    std::thread feeder([&] {
        for (int s = 1; s <= seconds; ++s) {
            std::this_thread::sleep_until(begun + std::chrono::seconds(s));
            window.post_update(text_at(s));
            ++use.updates;
        }
        window.post_quit();
    });
    window.loop.run();
    feeder.join();
    use.cpu_s = cpu_seconds() - cpu_before;
    use.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    window.finish();
    return use;
}

} // namespace dopplex::bench
