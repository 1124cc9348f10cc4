#include "link_platform.h"

#include "tracker/link/client_conversation.h"

#include <filesystem>

namespace dopplex::app {

LinkPlatform::LinkPlatform()
    : runtime_dir_(link::runtime_dir()), transport_(runtime_dir_.path),
      launcher_(link::socket_path(runtime_dir_.path, kTrackerService, kTrackerTopic)),
      settings_(settings::FileSettingsStore::default_file()) {
    launcher_.set_environment(link::kLinkDirVariable, runtime_dir_.path);
}

LinkServices LinkPlatform::services() {
    return LinkServices{
        transport_,
        launcher_,
        settings_,
        [](const std::string& file) {
            std::error_code ignored;
            return std::filesystem::is_regular_file(file, ignored);
        },
        [](const std::string& folder) {
            std::error_code ignored; // a folder that vanished keeps the current one, as chdir does
            std::filesystem::current_path(folder, ignored);
        },
        program_path(),
        '/',
    };
}

std::string program_path() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("./dopplex") : path.string();
}

} // namespace dopplex::app
