#include "tracker_link.h"

#include "wide_text.h"

#include <windows.h>

#include <filesystem>

namespace dopplex::app::win32 {

namespace {

// No tracker answers: every conversation is refused, so the link reads "Closed".
class AbsentTrackerTransport final : public LinkTransport {
public:
    void set_listener(LinkListener*) override {}
    bool connect(const std::string&, const std::string&) override { return false; }
    bool connected() const override { return false; }
    bool subscribe(const std::string&, int) override { return false; }
    std::optional<std::string> request(const std::string&, int) override { return std::nullopt; }
    void disconnect() override {}
    void interrupt() override {}
};

// Starts nothing, with the result of a program that was not found.
class AbsentLauncher final : public Launcher {
public:
    int launch(const std::string&) override { return ERROR_FILE_NOT_FOUND; }
};

} // namespace

TrackerLink::TrackerLink(std::unique_ptr<LinkTransport> transport,
                         std::unique_ptr<Launcher> launcher)
    : transport_(std::move(transport)), launcher_(std::move(launcher)) {}

LinkServices TrackerLink::services() {
    return LinkServices{
        *transport_,
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
    return std::make_unique<TrackerLink>(std::make_unique<AbsentTrackerTransport>(),
                                         std::make_unique<AbsentLauncher>());
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
