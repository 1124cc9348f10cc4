// The pass readouts of the Win32 window: the AOS countdown, the pass plot and its button, and
// the pass log with its status line. What they show is decided by the shared code
// (pass_feed.h, aos_countdown.h, plot_series.h); this only carries it to the window's thread.
// Built on the UI thread before the session starts; the session must be stopped before this is
// destroyed.
#pragma once

#include "mailbox.h"
#include "main_view.h"
#include "pass_feed.h"
#include "pass_mailbox.h"
#include "pass_show.h"
#include "plot_view.h"

#include <string>

namespace dopplex::app::win32 {

class PassView final : private PassShow<PlotView> {
public:
    PassView(EngineSession& session, MainView& view, HINSTANCE instance, PassLogOption log);
    ~PassView() override;
    PassView(const PassView&) = delete;
    PassView& operator=(const PassView&) = delete;

    PlotView& plot() { return plot_; }

private:
    void show_countdown() override;

    MainView& view_;
    PlotView plot_;
    PassMailbox heard_; // what the engine told, merged while the window's thread is busy
    PassFeed feed_;     // last: gone first, so the engine side never reaches a half-built view
};

} // namespace dopplex::app::win32
