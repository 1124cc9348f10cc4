#include "link/dde/dde_thread.h"

#include <memory>

#include "tracker/link/link_start_error.h"

namespace dopplex::link {

namespace {

// The DDEML callback has no context argument; each instance's thread knows its owner.
thread_local DdeThread::Callback* current_callback = nullptr;

} // namespace

DdeThread::DdeThread(DWORD flags, Callback callback, std::function<void()> tick)
    : callback_(std::move(callback)), tick_(std::move(tick)), flags_(flags) {
    wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (wake_ == nullptr || started == nullptr) {
        if (wake_ != nullptr) {
            CloseHandle(wake_);
        }
        if (started != nullptr) {
            CloseHandle(started);
        }
        throw LinkStartError(kLinkSystemError);
    }
    UINT result = DMLERR_NO_ERROR;
    thread_ = std::thread(&DdeThread::run, this, std::ref(result), started);
    WaitForSingleObject(started, INFINITE);
    CloseHandle(started);
    if (result != DMLERR_NO_ERROR) {
        thread_.join();
        CloseHandle(wake_);
        throw LinkStartError(result);
    }
}

DdeThread::~DdeThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    SetEvent(wake_);
    thread_.join();
    CloseHandle(wake_);
}

void DdeThread::run(UINT& result, HANDLE started) {
    current_callback = &callback_;
    MSG message;
    // Gives the thread its message queue before DDEML makes its windows.
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    DWORD instance = 0;
    const UINT initialized = DdeInitializeA(&instance, &DdeThread::dispatch, flags_, 0);
    instance_ = instance;
    // `result` lives in the constructor's frame, which may be gone once `started` is set.
    result = initialized;
    SetEvent(started);
    if (initialized != DMLERR_NO_ERROR) {
        return;
    }
    for (;;) {
        run_tasks();
        {
            std::lock_guard lock(mutex_);
            if (stopping_ && tasks_.empty()) {
                break;
            }
        }
        if (tick_) {
            tick_();
        }
        // MWMO_INPUTAVAILABLE: a synchronous transaction peeks at the queue itself, and a
        // message that came in behind its answer (the tracker's terminate after its last
        // update) no longer counts as new: without the flag this wait sleeps past it.
        MsgWaitForMultipleObjectsEx(1, &wake_, kTickMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (instance_ != 0) {
        DdeUninitialize(instance_);
    }
}

UINT DdeThread::restart() {
    if (instance_ != 0) {
        DdeUninitialize(instance_);
    }
    DWORD instance = 0;
    const UINT result = DdeInitializeA(&instance, &DdeThread::dispatch, flags_, 0);
    instance_ = result == DMLERR_NO_ERROR ? instance : 0;
    return result;
}

void DdeThread::run_tasks() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void DdeThread::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    SetEvent(wake_);
}

bool DdeThread::call(std::function<void()> task) {
    if (std::this_thread::get_id() == thread_.get_id()) {
        task();
        return true;
    }
    struct Done {
        bool ran = false;
    };
    auto done = std::make_shared<Done>();
    post([this, done, task = std::move(task)] {
        task();
        std::lock_guard lock(mutex_);
        done->ran = true;
        finished_.notify_all();
    });
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return done->ran || interrupted_; });
    return done->ran;
}

void DdeThread::interrupt() {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    finished_.notify_all();
}

HSZ DdeThread::string_handle(const std::string& text) const {
    return DdeCreateStringHandleA(instance_, text.c_str(), CP_WINANSI);
}

std::string DdeThread::text_of(HSZ handle) const {
    const DWORD length = DdeQueryStringA(instance_, handle, nullptr, 0, CP_WINANSI);
    std::string text(length + 1, '\0');
    DdeQueryStringA(instance_, handle, text.data(), length + 1, CP_WINANSI);
    text.resize(length);
    return text;
}

HDDEDATA CALLBACK DdeThread::dispatch(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                      HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    if (current_callback == nullptr || !*current_callback) {
        return nullptr;
    }
    return (*current_callback)(type, format, conv, hsz1, hsz2, data);
}

} // namespace dopplex::link
