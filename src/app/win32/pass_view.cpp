#include "pass_view.h"

#include "aos_countdown.h"
#include "control_ids.h"
#include "control_style.h"
#include "posted_calls.h"

namespace dopplex::app::win32 {

PassView::PassView(EngineSession& session, MainView& view, HINSTANCE instance, PassLogOption log)
    : view_(view), plot_(instance, view.window()), heard_(posting_to(view.window()), *this),
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

PassView::~PassView() = default;

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
                       aos_countdown_text(aos_text_, elevation_deg_, utc_now_ms(),
                                          link_shown_open(view_.control_text("l_dd"))));
}

} // namespace dopplex::app::win32
