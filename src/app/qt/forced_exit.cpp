#include "forced_exit.h"

#include "engine_session.h"

#include <QtGlobal>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <mutex>

namespace dopplex::app {

namespace {

std::atomic<EngineSession*> armed{nullptr};
QtMessageHandler previous_handler = nullptr;

// At most once per armed session: exit() may follow a qFatal message, and the hooks may run on
// any thread.
void lower_lines_now() {
    EngineSession* session = armed.exchange(nullptr);
    if (session == nullptr || !session->running()) {
        return;
    }
    try {
        if (session->close_now().wait_for(ForcedExit::kLowerTimeout) != std::future_status::ready) {
            std::cerr << "dopplex: the engine did not lower the lines within "
                      << ForcedExit::kLowerTimeout.count() << " ms; they may be left high\n";
            return;
        }
        session->stop();
    } catch (const std::exception& error) {
        std::cerr << "dopplex: lowering the lines before the end failed: " << error.what() << "\n";
    }
}

void on_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (previous_handler != nullptr) {
        previous_handler(type, context, text);
    }
    if (type == QtFatalMsg) {
        lower_lines_now();
    }
}

void install_hooks() {
    std::atexit(lower_lines_now);
    std::at_quick_exit(lower_lines_now);
    previous_handler = qInstallMessageHandler(on_qt_message);
}

} // namespace

ForcedExit::ForcedExit(EngineSession& session) {
    static std::once_flag installed;
    std::call_once(installed, install_hooks);
    armed.store(&session);
}

ForcedExit::~ForcedExit() {
    armed.store(nullptr);
}

} // namespace dopplex::app
