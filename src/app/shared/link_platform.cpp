#include "link_platform.h"

#include "tracker/link/client_conversation.h"
#include "tracker/link/tracker_location.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

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
        demo_ ? kDemoTrackerCommand : kDefaultTrackerCommand,
        !demo_,
    };
}

DemoFolder::DemoFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        (tmp && tmp[0] == '/' ? std::string(tmp) : std::string("/tmp")) + "/dopplex-demo.XXXXXX";
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("no folder for the demonstration's link: " + pattern + ": " +
                                 std::strerror(errno));
    }
    path_ = pattern;
    setenv(link::kLinkDirVariable, path_.c_str(), 1);
}

DemoFolder::~DemoFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string program_path() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("./dopplex") : path.string();
}

} // namespace dopplex::app
