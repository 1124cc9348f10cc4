#include "pass_view.h"

#include "aos_countdown.h"
#include "control_ids.h"
#include "control_style.h"
#include "link/dde_transport.h"
#include "link/live_item.h"
#include "live_text.h"
#include "posted_calls.h"
#include "tracker/link/client_conversation.h"

namespace dopplex::app::win32 {

PassView::PassView(EngineSession& session, MainView& view, HINSTANCE instance, PassLogOption log)
    : view_(view), plot_(instance, view.window()),
      latest_(posting_to(view.window()),
              [&view](std::optional<Latest>& latest) {
                  if (latest)
                      view.show_readout(kLiveReadoutId,
                                        live_text(latest->bytes, latest->received_utc_ms));
              }),
      heard_(posting_to(view.window()), *this),
      live_transport_(std::make_unique<link::DdeTransport>()),
      live_(std::make_unique<link::LiveItem>(
          *live_transport_, kTrackerService, kTrackerTopic, kTrackerItem,
          [this](const std::string& bytes) {
              Latest latest{bytes, utc_now_ms()};
              latest_.post([&](std::optional<Latest>& waiting) { waiting = std::move(latest); });
          })),
      feed_(session, heard_, std::move(log),
            [window = view.window(), &view](const std::string& text, bool failed) {
                post_call(window, [&view, text, failed] {
                    view.show_readout(kLogStatusId, text, failed ? kFailureColor : kNoteColor);
                });
            }) {
    view_.on_plot_button = [this](bool checked) { plot_.set_visible(checked); };
    plot_.on_hidden = [this] { view_.set_plot_button(false); };
    plot_.on_second = [this] { show_countdown(); };
}

PassView::~PassView() {
    live_.reset(); // joins the watcher before the transport goes
}

void PassView::pass_started(const TrackingPoint& aos) {
    plot_.start(aos);
}

void PassView::tracking_update(const TrackingPoint& point) {
    plot_.add(point);
    aos_text_ = point.aos_text;
    elevation_deg_ = point.elevation_deg;
    show_countdown();
}

void PassView::pulse_sent(const PulseRecord& pulse) {
    plot_.add(pulse);
}

void PassView::show_countdown() {
    view_.show_readout(kAosCountdownId,
                       aos_countdown_text(aos_text_, elevation_deg_, utc_now_ms()));
}

} // namespace dopplex::app::win32
