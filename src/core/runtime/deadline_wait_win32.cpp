// The wait on Windows: the condition variable for all but the last stretch, then a waitable
// timer in short slices, with the lock released, so a wake-up is still seen within a slice.
// The timer asks for high resolution (Windows 10 1803 and later); where that is refused the
// system tick is raised to 1 ms once for the whole process instead.
#include "runtime/deadline_wait.h"

#include <windows.h>

#include <algorithm>
#include <mmsystem.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace dopplex {
namespace {

using namespace std::chrono;

// Longer than the default tick, so the condition variable's late wake still leaves some.
constexpr auto kFineStretch = milliseconds(20);
// How long a wake-up may go unseen in the fine stretch.
constexpr auto kSlice = milliseconds(1);

void raise_system_tick() {
    static std::once_flag once;
    std::call_once(once, [] { timeBeginPeriod(1); });
}

// One per waiting thread: a timer must not be set by two threads at once.
class SliceTimer {
public:
    SliceTimer() {
        handle_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                         TIMER_ALL_ACCESS);
        if (handle_ == nullptr) {
            raise_system_tick();
            handle_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        }
    }
    ~SliceTimer() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }
    SliceTimer(const SliceTimer&) = delete;
    SliceTimer& operator=(const SliceTimer&) = delete;

    void sleep(nanoseconds time) {
        // Relative due times are negative, in units of 100 ns.
        LARGE_INTEGER due;
        due.QuadPart = -std::max<long long>(1, time.count() / 100);
        if (handle_ != nullptr && SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(handle_, INFINITE);
            return;
        }
        // No timer at all: the raised tick still gives whole milliseconds.
        raise_system_tick();
        Sleep(
            static_cast<DWORD>(std::max<long long>(1, duration_cast<milliseconds>(time).count())));
    }

private:
    HANDLE handle_ = nullptr;
};

} // namespace

bool wait_until_woken(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                      steady_clock::time_point deadline, const std::function<bool()>& woken) {
    const auto coarse_end = deadline - kFineStretch;
    if (steady_clock::now() < coarse_end && cv.wait_until(lock, coarse_end, woken)) {
        return true;
    }
    thread_local SliceTimer timer;
    while (!woken()) {
        const auto left = deadline - steady_clock::now();
        if (left <= nanoseconds::zero()) {
            return false;
        }
        lock.unlock();
        timer.sleep(std::min<nanoseconds>(left, kSlice));
        lock.lock();
    }
    return true;
}

} // namespace dopplex
