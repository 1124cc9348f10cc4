// The tracker link's Windows services for the window: the DDE transport, the launcher that
// starts the tracker as WinExec does, and the registry's settings. Built on the UI thread before
// the engine starts; must outlive the engine session.
#pragma once

#include "classic/tfmain.h"
#include "link/dde/dde_transport.h"
#include "link_status.h"
#include "live_feed.h"
#include "settings/registry_settings_store.h"

#include <functional>
#include <memory>

namespace dopplex::app::win32 {

class TrackerLink final : public LiveFeed {
public:
    // `answers`: whether the tracker's service answers now. A launch that brings no tracker
    // says why on the status (see StatusTransport::explain).
    TrackerLink(std::unique_ptr<link::DdeTransport> transport, std::unique_ptr<Launcher> launcher,
                std::function<bool()> answers);
    LinkServices services();
    // Who hears why the link is as it is (see StatusTransport).
    void set_status_listener(StatusTransport::Listener listener) {
        status_.set_status_listener(std::move(listener));
    }
    // The live readout's texts: the engine's own advise loop, watched on the DDE thread.
    void listen(Deliver deliver) override;

private:
    std::unique_ptr<link::DdeTransport> transport_;
    StatusTransport status_{*transport_};
    std::unique_ptr<Launcher> launcher_;
    settings::RegistrySettingsStore settings_;
};

// Starts DDEML (LinkStartError with its code when it cannot) and the launcher over it.
std::unique_ptr<TrackerLink> make_tracker_link();

// The program's own file.
std::string program_path();

} // namespace dopplex::app::win32
