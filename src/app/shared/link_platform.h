// The tracker link's Linux services for the window: the socket transport in the user's private
// runtime folder, the launcher that waits for the tracker's socket, and the per-user settings
// file. Built on the GUI thread before the engine starts; must outlive the engine session.
// The constructor raises LinkStartError when no runtime folder is usable; a tracker it starts
// is told the folder chosen.
#pragma once

#include "console/tfmain.h"
#include "launcher/process_launcher.h"
#include "link/socket/runtime_dir.h"
#include "link/socket/socket_transport.h"
#include "settings/file_settings_store.h"

#include <string>
#include <vector>

namespace dopplex::app {

class LinkPlatform {
public:
    LinkPlatform();
    LinkServices services();
    // Which folders were refused and why, and the one in use; empty when all went as expected.
    std::vector<std::string> folder_notice() const {
        return link::runtime_dir_notice(runtime_dir_);
    }
    // The folder of the link's sockets.
    const std::string& folder() const { return runtime_dir_.path; }
    // Who hears why the link is as it is (see SocketTransport::StatusListener).
    void set_status_listener(link::SocketTransport::StatusListener listener) {
        transport_.set_status_listener(std::move(listener));
    }

private:
    link::RuntimeDir runtime_dir_;
    link::SocketTransport transport_;
    launch::ProcessLauncher launcher_;
    settings::FileSettingsStore settings_;
};

// The program's own file, as the system knows it (not argv[0], which may be relative).
std::string program_path();

} // namespace dopplex::app
