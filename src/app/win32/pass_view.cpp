#include "pass_view.h"

#include "control_ids.h"
#include "control_style.h"
#include "posted_calls.h"

namespace dopplex::app::win32 {

PassView::PassView(EngineSession& session, MainView& view, HINSTANCE instance, PassLogOption log)
    : PassShow(plot_), view_(view), plot_(instance, view.window()),
      heard_(posting_to(view.window()), *this),
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

void PassView::show_countdown() {
    view_.show_readout(kAosCountdownId,
                       countdown_text(link_shown_open(view_.control_text("l_dd"))));
}

} // namespace dopplex::app::win32
