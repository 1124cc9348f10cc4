// Windows: a time-critical thread, registered with the multimedia class scheduler as a
// "Pro Audio" task, which raises it further while the machine is loaded.
#include "realtime/realtime_request.h"

#include <windows.h>

#include <avrt.h>

#include <string>

namespace dopplex::realtime {

Outcome request_for_this_thread(int) {
    Outcome outcome;
    std::string why;
    if (SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL)) {
        outcome.realtime = true;
        outcome.how = "THREAD_PRIORITY_TIME_CRITICAL";
    } else {
        why = "SetThreadPriority: error " + std::to_string(GetLastError());
    }
    DWORD task_index = 0;
    // Kept for the thread's life: the task ends with the thread.
    if (AvSetMmThreadCharacteristicsW(L"Pro Audio", &task_index)) {
        outcome.how += outcome.how.empty() ? "Pro Audio" : ", Pro Audio";
        outcome.realtime = true;
    } else {
        why += (why.empty() ? "" : "; ") + std::string("AvSetMmThreadCharacteristics: error ") +
               std::to_string(GetLastError());
    }
    if (!outcome.realtime) {
        outcome.why = why;
    }
    return outcome;
}

void return_to_normal() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

} // namespace dopplex::realtime
