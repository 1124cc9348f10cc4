// The Linux system calls behind request_linux().
#include "realtime/realtime_request.h"

#include "port/os_error.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <dbus/dbus.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define DOPPLEX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DOPPLEX_ADDRESS_SANITIZER 1
#endif
#endif

namespace dopplex::realtime {

namespace {

// RealtimeKit refuses a process whose hard limit is above its own (200 ms by default).
constexpr rlim_t kRunawaySoftUs = 100'000;
constexpr rlim_t kRunawayHardUs = 200'000;

// The threads made real-time here. A handler that spins past the soft limit gets them all
// demoted by SIGXCPU instead of the process killed at the hard one.
std::atomic<pid_t> g_realtime_threads[4];

void demote_on_runaway(int) {
    const int saved = errno;
    for (auto& thread : g_realtime_threads) {
        if (const pid_t tid = thread.load(); tid != 0) {
            // Without root the reset-on-fork flag cannot be cleared: a call that tried would fail.
            sched_param normal{};
            syscall(SYS_sched_setscheduler, tid, SCHED_OTHER | SCHED_RESET_ON_FORK, &normal);
        }
    }
    errno = saved;
}

void remember_realtime(pid_t tid) {
    for (auto& thread : g_realtime_threads) {
        pid_t empty = 0;
        if (thread.compare_exchange_strong(empty, tid)) {
            return;
        }
    }
}

std::string limit_runaway() {
    rlimit current{};
    if (getrlimit(RLIMIT_RTTIME, &current) != 0) {
        return "getrlimit: " + port::errno_text(errno);
    }
    rlimit wanted{kRunawaySoftUs, kRunawayHardUs};
    if (current.rlim_max != RLIM_INFINITY && current.rlim_max < kRunawayHardUs) {
        wanted = {std::min(kRunawaySoftUs, current.rlim_max), current.rlim_max};
    }
    if (setrlimit(RLIMIT_RTTIME, &wanted) != 0) {
        return "setrlimit: " + port::errno_text(errno);
    }
    struct sigaction previous {};
    sigaction(SIGXCPU, nullptr, &previous);
    if (previous.sa_handler == SIG_DFL) {
        struct sigaction demote {};
        demote.sa_handler = demote_on_runaway;
        sigemptyset(&demote.sa_mask);
        demote.sa_flags = SA_RESTART;
        sigaction(SIGXCPU, &demote, nullptr);
    }
    return {};
}

std::string set_fifo(int priority) {
    sched_param param{};
    param.sched_priority = priority;
    // The tracker and anything else started from this thread run at normal priority.
    if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) != 0) {
        return port::errno_text(errno);
    }
    remember_realtime(static_cast<pid_t>(syscall(SYS_gettid)));
    return {};
}

std::string ask_rtkit(int priority) {
    DBusError error;
    dbus_error_init(&error);
    // A private connection: the window's toolkit may share the bus connection of its own.
    DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
    if (!bus) {
        std::string text = error.message ? error.message : "no system bus";
        dbus_error_free(&error);
        return text;
    }
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    std::string failed;
    DBusMessage* call = dbus_message_new_method_call(
        "org.freedesktop.RealtimeKit1", "/org/freedesktop/RealtimeKit1",
        "org.freedesktop.RealtimeKit1", "MakeThreadRealtime");
    const auto tid = static_cast<dbus_uint64_t>(syscall(SYS_gettid));
    const auto level = static_cast<dbus_uint32_t>(priority);
    if (!call || !dbus_message_append_args(call, DBUS_TYPE_UINT64, &tid, DBUS_TYPE_UINT32, &level,
                                           DBUS_TYPE_INVALID)) {
        failed = "out of memory";
    } else if (DBusMessage* reply =
                   dbus_connection_send_with_reply_and_block(bus, call, 1000, &error)) {
        dbus_message_unref(reply);
        remember_realtime(static_cast<pid_t>(tid));
    } else {
        failed = error.message ? error.message : "no answer";
    }
    dbus_error_free(&error);
    if (call) {
        dbus_message_unref(call);
    }
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return failed;
}

std::string lock_memory() {
#if DOPPLEX_ADDRESS_SANITIZER
    // Its shadow memory is terabytes of reserved address space.
    return "not with the address sanitizer";
#else
    // Locking future mappings under a finite limit would make large allocations fail later.
    rlimit limit{};
    if (getrlimit(RLIMIT_MEMLOCK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        geteuid() != 0) {
        return "RLIMIT_MEMLOCK is finite";
    }
    // Pages stay in memory once touched; the libraries' untouched pages are not read in for it.
    if (mlockall(MCL_CURRENT | MCL_FUTURE | MCL_ONFAULT) != 0) {
        return port::errno_text(errno);
    }
    return {};
#endif
}

} // namespace

Outcome request_for_this_thread(int priority) {
    return request_linux({limit_runaway, set_fifo, ask_rtkit, lock_memory}, priority);
}

void return_to_normal() {
    const sched_param normal{};
    sched_setscheduler(0, SCHED_OTHER | SCHED_RESET_ON_FORK, &normal);
}

} // namespace dopplex::realtime
