#include "tracker_link.h"

#include "launcher/win_launcher.h"
#include "link/dde/dde_transport.h"
#include "tracker/link/client_conversation.h"
#include "wide_text.h"

#include <windows.h>

#include <filesystem>

namespace dopplex::app::win32 {

namespace {

// The text for a tracker that WinExec could not start (its code below 32).
std::string launch_failure_text(const std::string& command_line, int code) {
    std::string why;
    switch (code) {
    case 2:
    case 3:
        why = "not found";
        break;
    case 5:
        why = "access denied";
        break;
    case 11:
        why = "not a program";
        break;
    default:
        why = "error " + std::to_string(code);
    }
    return "No tracker answers, and \"" + command_line + "\" could not be started (" + why + ")";
}

// The launcher that says why no tracker came: the start failed, or what started never served
// the tracker's DDE service.
class ExplainingLauncher final : public Launcher {
public:
    ExplainingLauncher(std::unique_ptr<Launcher> inner, std::function<bool()> answers,
                       StatusTransport& status)
        : inner_(std::move(inner)), answers_(std::move(answers)), status_(status) {}

    int launch(const std::string& command_line) override {
        const int result = inner_->launch(command_line);
        if (result < 32) {
            status_.explain(launch_failure_text(command_line, result));
        } else if (!answers_()) {
            status_.explain("\"" + command_line + "\" started but does not answer over DDE yet");
        }
        return result;
    }

private:
    std::unique_ptr<Launcher> inner_;
    std::function<bool()> answers_;
    StatusTransport& status_;
};

} // namespace

TrackerLink::TrackerLink(std::unique_ptr<link::DdeTransport> transport,
                         std::unique_ptr<Launcher> launcher, std::function<bool()> answers)
    : transport_(std::move(transport)), launcher_(std::make_unique<ExplainingLauncher>(
                                            std::move(launcher), std::move(answers), status_)) {}

void TrackerLink::listen(Deliver deliver) {
    transport_->watch(kTrackerItem, std::move(deliver));
}

LinkServices TrackerLink::services() {
    return LinkServices{
        status_,
        *launcher_,
        settings_,
        [](const std::string& file) {
            std::error_code ignored;
            return std::filesystem::is_regular_file(std::filesystem::path(to_wide(file)), ignored);
        },
        [](const std::string& folder) {
            SetCurrentDirectoryW(to_wide(folder).c_str()); // a folder that vanished keeps ours
        },
        program_path(),
        '\\',
    };
}

std::unique_ptr<TrackerLink> make_tracker_link() {
    auto transport = std::make_unique<link::DdeTransport>(); // DDEML starts here, before any window
    // A started tracker is ready once its service answers; its window appears later.
    const auto answers = [dde = transport.get()] {
        return dde->answers(kTrackerService, kTrackerTopic);
    };
    auto launcher = std::make_unique<launch::WinLauncher>(answers);
    return std::make_unique<TrackerLink>(std::move(transport), std::move(launcher), answers);
}

std::string program_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return "dopplex.exe";
        }
        if (length < path.size()) {
            path.resize(length);
            return to_utf8(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace dopplex::app::win32
