// A thread that owns one DDEML instance. DDEML ties an instance to the thread that called
// DdeInitializeA: its callbacks run there, from that thread's message loop, and every other call
// of the instance must be made there too. Other threads hand it tasks with call() (waits) or
// post() (does not). The callback runs on this thread and must return at once. The constructor
// throws LinkStartError with DDEML's code when the instance cannot be made.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace dopplex::link {

class DdeThread {
public:
    using Callback =
        std::function<HDDEDATA(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA)>;

    // tick, when given, runs on the thread after each batch of messages and at least every
    // kTickMs.
    DdeThread(DWORD flags, Callback callback, std::function<void()> tick = {});
    // Runs the tasks still queued, ends the instance (and its conversations) and the thread.
    ~DdeThread();
    DdeThread(const DdeThread&) = delete;
    DdeThread& operator=(const DdeThread&) = delete;

    static constexpr DWORD kTickMs = 100;

    DWORD instance() const { return instance_; }
    // Runs task on the thread (at once when called there) and returns true when it has run;
    // false at once after interrupt(), the task then runs later or not at all, so it must own
    // what it touches.
    bool call(std::function<void()> task);
    void post(std::function<void()> task);
    // From now on call() returns false without waiting.
    void interrupt();
    // On the thread: ends the instance with all its conversations and starts a new one with the
    // same flags; DDEML's code, DMLERR_NO_ERROR when it worked.
    UINT restart();

    // For tasks: a string handle of the instance (CP_WINANSI) and a handle's text.
    HSZ string_handle(const std::string& text) const;
    std::string text_of(HSZ handle) const;

private:
    static HDDEDATA CALLBACK dispatch(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                      HDDEDATA data, ULONG_PTR, ULONG_PTR);
    void run(UINT& result, HANDLE started);
    void run_tasks();

    Callback callback_;
    std::function<void()> tick_;
    DWORD flags_ = 0;
    DWORD instance_ = 0;
    HANDLE wake_ = nullptr;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    bool interrupted_ = false;
    std::thread thread_;
};

// Frees a string handle of the instance when it goes out of scope.
class StringHandle {
public:
    StringHandle(const DdeThread& thread, const std::string& text)
        : instance_(thread.instance()), handle_(thread.string_handle(text)) {}
    ~StringHandle() {
        if (handle_ != nullptr) {
            DdeFreeStringHandle(instance_, handle_);
        }
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;
    HSZ get() const { return handle_; }

private:
    DWORD instance_;
    HSZ handle_;
};

} // namespace dopplex::link
