// The tracker link's Linux services for the window: the socket transport in the user's private
// runtime folder, the launcher that waits for the tracker's socket, and the per-user settings
// file. Built on the GUI thread before the engine starts; must outlive the engine session.
// The constructor raises LinkStartError when the runtime folder is unusable.
#pragma once

#include "console/tfmain.h"
#include "launcher/process_launcher.h"
#include "link/socket_transport.h"
#include "settings/file_settings_store.h"

#include <string>

namespace dopplex::app {

class LinkPlatform {
public:
    LinkPlatform();
    LinkServices services();
    // Who hears why the link is as it is (see SocketTransport::StatusListener).
    void set_status_listener(link::SocketTransport::StatusListener listener) {
        transport_.set_status_listener(std::move(listener));
    }

private:
    std::string runtime_dir_;
    link::SocketTransport transport_;
    launch::ProcessLauncher launcher_;
    settings::FileSettingsStore settings_;
};

// The program's own file, as the system knows it (not argv[0], which may be relative).
std::string program_path();

} // namespace dopplex::app
