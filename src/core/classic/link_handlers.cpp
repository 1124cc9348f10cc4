#include "classic/tfmain.h"
#include "tracker/link/tracker_location.h"

namespace dopplex {

void TFMain::attach_link(LinkServices services) {
    link_.emplace(std::move(services));
    Tracking = std::make_unique<ClientConversation>(
        link_->transport, link_->launcher,
        [this](std::function<void()> notice) { loop_.post(EventKind::Link, std::move(notice)); },
        [this](const std::string& message) { loop_.report_error(message); });
    Tracking->OnOpen = [this] { TrackingOpen(); };
    Tracking->OnClose = [this] { TrackingClose(); };
    Tracking->add_item(TrackingDataEx);
}

void TFMain::l_ddClick() {
    if (Tracking) {
        Tracking->OpenConversation();
    }
}

void TFMain::TrackingOpen() {
    l_dd.set_text("Opened");
    closed_loop.link_reopened();
}

// The pass supervisor does not run here: a closed link is not an update.
void TFMain::TrackingClose() {
    l_dd.set_text("Closed");
    l_st.set_text("No data");
    ParseSatData("", SatData);
    ShowSatData(SatData);
}

} // namespace dopplex
