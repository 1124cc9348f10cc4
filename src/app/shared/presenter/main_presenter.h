// Decides what both main windows show and what their operator input does: the model's changes
// as the bridge hands them over, the echoes of typed text held back while typing is in flight,
// the marks of a simulated pass and of a wrong reference, the link status and its reason, the
// footer with a held report, the trains, the dial estimates and the live readout. Owns no
// widget: it draws through a ViewPort. Window thread only; the window owns it.
#pragma once

#include "control_update.h"
#include "dial_watch.h"
#include "reference_check.h"
#include "source_mark.h"
#include "view_port.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace dopplex {
class TFMain;
}

namespace dopplex::app {

class EngineSession;

class MainPresenter {
public:
    // Call once the window has built its widgets and before the engine thread starts: shows the
    // model's controls as they are now.
    MainPresenter(EngineSession& session, ViewPort& port);

    // From the bridge.
    void apply(const ControlUpdate& update);
    void follow_focus(const std::string& control);
    void show_train_progress(const TrainProgress& progress);
    void show_dial(const DialReading& reading);
    // Why the link is as it is: the status line and the link label's tooltip.
    void show_link_status(const std::string& status);
    // The count of an error report held after its close, on the footer for a while.
    void show_held_report(const std::string& line);
    void footer_back();
    // One tracking text straight from the tracker, received at `received_utc_ms`.
    void show_live(const std::string& bytes, std::int64_t received_utc_ms);

    // Operator input.
    void clicked(const std::string& control);
    void typed(const std::string& control, const std::string& text);
    void left(const std::string& control);
    void stop(std::optional<Side> side);
    void exit();
    void exit_now();

    const SourceMark& source_mark() const { return mark_; }

private:
    void show_control(const Control& control);
    void show_source_mark();
    void mark_reference(Side side);

    EngineSession& session_;
    ViewPort& port_;
    std::set<std::string> exits_; // the speed buttons: Exit, never a click for the model
    // Texts typed but not yet reached the engine, by control: until none is left, an echo could
    // be older than what the operator sees, and would move the caret or undo a keystroke.
    std::map<std::string, int> typing_in_flight_;
    SourceMark mark_;
    ReferenceMarks references_;
    std::string link_reason_;
};

} // namespace dopplex::app
