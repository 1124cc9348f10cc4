// The tracker link's Linux services for the window: the socket transport in the user's private
// runtime folder, the launcher that waits for the tracker's socket, and the per-user settings
// file. Built on the GUI thread before the engine starts; must outlive the engine session.
// The constructor raises LinkStartError when no runtime folder is usable; a tracker it starts
// is told the folder chosen.
#pragma once

#include "classic/tfmain.h"
#include "launcher/process_launcher.h"
#include "link/socket/runtime_dir.h"
#include "link/socket/socket_transport.h"
#include "settings/file_settings_store.h"
#include "socket_live_feed.h"

#include <string>
#include <vector>

namespace dopplex::app {

class LinkPlatform {
public:
    LinkPlatform();
    // The tracker started when none answers: the settings' command, else the Hamlib relay;
    // after play_demo(), the pass player whatever the settings say.
    LinkServices services();
    void play_demo() { demo_ = true; }
    // At the end of the window: a pass player it started ends with it; a tracker is left running.
    void end_started_player(bool served_simulated_pass) {
        if (served_simulated_pass) {
            launcher_.end_started();
        }
    }
    // Which folders were refused and why, and the one in use; empty when all went as expected.
    std::vector<std::string> folder_notice() const {
        return link::runtime_dir_notice(runtime_dir_);
    }
    // The folder of the link's sockets.
    const std::string& folder() const { return runtime_dir_.path; }
    // The live readout's texts, on a conversation of their own.
    LiveFeed& live_feed() { return live_feed_; }
    // Who hears why the link is as it is (see SocketTransport::StatusListener).
    void set_status_listener(link::SocketTransport::StatusListener listener) {
        transport_.set_status_listener(std::move(listener));
    }

private:
    link::RuntimeDir runtime_dir_;
    link::SocketTransport transport_;
    launch::ProcessLauncher launcher_;
    settings::FileSettingsStore settings_;
    SocketLiveFeed live_feed_{runtime_dir_.path};
    bool demo_ = false;
};

// --demo: a private link folder (DOPPLEX_LINK_DIR), so that the pass player and the window meet
// there and no real tracker or other window does; removed at the end. Build it before the
// LinkPlatform. Throws std::runtime_error when no folder can be made.
class DemoFolder {
public:
    DemoFolder();
    ~DemoFolder();
    DemoFolder(const DemoFolder&) = delete;
    DemoFolder& operator=(const DemoFolder&) = delete;

private:
    std::string path_;
};

inline constexpr const char* kDemoTrackerCommand = "dopplex-tracker --lead-in 20";

// The program's own file, as the system knows it (not argv[0], which may be relative).
std::string program_path();

} // namespace dopplex::app
