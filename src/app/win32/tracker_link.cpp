#include "tracker_link.h"

#include "launcher/win_launcher.h"
#include "link/dde/dde_transport.h"
#include "tracker/link/client_conversation.h"
#include "wide_text.h"

#include <windows.h>

#include <filesystem>

namespace dopplex::app::win32 {

TrackerLink::TrackerLink(std::unique_ptr<LinkTransport> transport,
                         std::unique_ptr<Launcher> launcher)
    : transport_(std::move(transport)), launcher_(std::move(launcher)) {}

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
    auto launcher = std::make_unique<launch::WinLauncher>(
        [dde = transport.get()] { return dde->answers(kTrackerService, kTrackerTopic); });
    return std::make_unique<TrackerLink>(std::move(transport), std::move(launcher));
}

std::string program_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return "dopplex.exe";
        if (length < path.size()) {
            path.resize(length);
            return to_utf8(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace dopplex::app::win32
