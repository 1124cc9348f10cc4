// The tracker link's Windows services for the window. The DDE transport and the tracker's
// launcher plug in here (make_tracker_link); until they do, the transport answers that no
// tracker is there and the launcher starts nothing, so the window runs without tracking data.
// The settings are the registry's. Built on the UI thread before the engine starts; must
// outlive the engine session.
#pragma once

#include "console/tfmain.h"
#include "settings/registry_settings_store.h"

#include <memory>

namespace dopplex::app::win32 {

class TrackerLink {
public:
    TrackerLink(std::unique_ptr<LinkTransport> transport, std::unique_ptr<Launcher> launcher);
    LinkServices services();

private:
    std::unique_ptr<LinkTransport> transport_;
    std::unique_ptr<Launcher> launcher_;
    settings::RegistrySettingsStore settings_;
};

// The place where the DDE transport and its launcher are chosen.
std::unique_ptr<TrackerLink> make_tracker_link();

// The program's own file.
std::string program_path();

} // namespace dopplex::app::win32
