// The tracker link's Windows services for the window: the DDE transport, the launcher that
// starts the tracker as WinExec does, and the registry's settings. Built on the UI thread before
// the engine starts; must outlive the engine session.
#pragma once

#include "console/tfmain.h"
#include "settings/registry_settings_store.h"

#include <functional>
#include <memory>
#include <string>

namespace dopplex::app::win32 {

// Why a click on "Closed" found no tracker, for the status line; empty once a start worked.
using LinkReasonListener = std::function<void(const std::string& reason)>;

// The text for a tracker that WinExec could not start (its code below 32).
std::string launch_failure_text(const std::string& command_line, int code);

class TrackerLink {
public:
    TrackerLink(std::unique_ptr<LinkTransport> transport, std::unique_ptr<Launcher> launcher);
    LinkServices services();
    // Before the engine starts; called on the engine thread.
    void set_reason_listener(LinkReasonListener listener);

private:
    std::unique_ptr<LinkTransport> transport_;
    std::unique_ptr<Launcher> launcher_;
    settings::RegistrySettingsStore settings_;
};

// Starts DDEML (LinkStartError with its code when it cannot) and the launcher over it.
std::unique_ptr<TrackerLink> make_tracker_link();

// The program's own file.
std::string program_path();

} // namespace dopplex::app::win32
