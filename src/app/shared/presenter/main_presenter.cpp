#include "main_presenter.h"

#include "control_style.h"
#include "engine_session.h"
#include "live_text.h"
#include "readout_text.h"
#include "runtime/report_queue.h"
#include "window_layout.h"

namespace dopplex::app {

MainPresenter::MainPresenter(EngineSession& session, ViewPort& port)
    : session_(session), port_(port) {
    for (const Control* control : session_.form().controls()) {
        if (control->visible() && port_.shows(control->name())) {
            show_control(*control);
        }
    }
    port_.set_readout(Readout::Footer, std::string(kFooterText), kNoteColor);
    port_.set_readout(Readout::Live, kLiveIdleText);
    for (const Readout dial : {Readout::RxDial, Readout::TxDial}) {
        port_.set_readout(dial, dial_text({}));
    }
    if (port_.shows("l_dd")) {
        port_.set_tooltip("l_dd", mark_.link_tooltip(link_reason_));
    }
}

void MainPresenter::show_control(const Control& control) {
    const std::string& name = control.name();
    if (control.kind() == ControlKind::SpeedButton) {
        exits_.insert(name);
    }
    if (SourceMark::concerns(name)) {
        mark_.follow(name, control.text());
    }
    port_.set_text(name, control.text());
    port_.set_enabled(name, control.enabled());
    if (control.kind() == ControlKind::CheckBox || control.kind() == ControlKind::RadioButton) {
        port_.set_checked(name, control.checked());
    }
    for (const std::string& line : control.lines()) {
        port_.append_line(name, line);
    }
}

void MainPresenter::apply(const ControlUpdate& update) {
    const std::string& name = update.name;
    if (!port_.shows(name)) {
        return; // a hidden control: a working value, never shown
    }
    switch (update.what) {
    case Change::Text:
        if (typing_in_flight_[name] == 0 && port_.text(name) != update.text) {
            port_.set_text(name, update.text);
        }
        follow_marks(mark_, references_, name, update.text)
            .show([this] { show_source_mark(); }, [this](Side side) { mark_reference(side); });
        break;
    case Change::Enabled:
        port_.set_enabled(name, update.enabled);
        break;
    case Change::Visible:
        port_.set_visible(name, update.visible);
        break;
    case Change::Checked:
        port_.set_checked(name, update.checked);
        break;
    case Change::FontColor: {
        const FieldColors colours = read_only_field_colors(update.font_color);
        port_.set_colours(name, colours.text, colours.back);
        break;
    }
    case Change::LineAdded:
        port_.append_line(name, update.line);
        break;
    case Change::LinesCleared:
        port_.clear_lines(name);
        break;
    }
}

// A simulated pass reads so in the link state, in white on red, and in the title.
void MainPresenter::show_source_mark() {
    if (!port_.shows("l_dd")) {
        return;
    }
    const ControlStyle style = link_state_style(mark_.simulated());
    port_.set_colours("l_dd", style.text_color.value_or(kClWindowText), style.back_color);
    port_.set_bold("l_dd", style.bold);
    port_.set_text("l_dd", mark_.link_state());
    port_.set_tooltip("l_dd", mark_.link_tooltip(link_reason_));
    port_.set_title(mark_.title());
}

// A reference that does not read right is marked at once, with the hint as its tooltip.
void MainPresenter::mark_reference(Side side) {
    const std::string name = side == Side::Rx ? "Edit1" : "Edit13";
    if (!port_.shows(name)) {
        return;
    }
    const std::optional<std::string> hint = references_.hint(side, port_.text(name));
    const ControlStyle style = reference_style(hint.has_value());
    port_.set_colours(name, style.text_color.value_or(kClWindowText), style.back_color);
    port_.set_tooltip(name, hint.value_or(""));
}

void MainPresenter::follow_focus(const std::string& control) {
    if (port_.shows(control)) {
        port_.focus(control);
    }
}

void MainPresenter::show_train_progress(const TrainProgress& progress) {
    const bool tx = is_tx_channel(progress.channel);
    port_.show_train(tx, progress);
    port_.set_stop_enabled(tx, progress.running);
}

void MainPresenter::show_dial(const DialReading& reading) {
    port_.set_readout(reading.side == Side::Tx ? Readout::TxDial : Readout::RxDial,
                      dial_text(reading));
}

void MainPresenter::show_link_status(const std::string& status) {
    port_.set_readout(Readout::LinkStatus, kLinkStatusPrefix + status);
    link_reason_ = status;
    if (port_.shows("l_dd")) {
        port_.set_tooltip("l_dd", mark_.link_tooltip(link_reason_));
    }
}

void MainPresenter::show_held_report(const std::string& line) {
    port_.set_readout(Readout::Footer, line, kFailureColor);
    port_.start_footer_timer(static_cast<int>(ReportQueue::kQuietAfterCloseMs));
}

void MainPresenter::footer_back() {
    port_.set_readout(Readout::Footer, std::string(kFooterText), kNoteColor);
}

void MainPresenter::show_live(const std::string& bytes, std::int64_t received_utc_ms) {
    port_.set_readout(Readout::Live, live_text(bytes, received_utc_ms));
}

void MainPresenter::clicked(const std::string& control) {
    if (exits_.count(control) != 0) {
        exit();
    } else {
        post_click(session_, control);
    }
}

void MainPresenter::typed(const std::string& control, const std::string& text) {
    if (!takes_typing(control)) {
        return;
    }
    ++typing_in_flight_[control];
    session_.post_input([this, control, text, post = port_.poster()](TFMain& form) {
        form.Type(control, text);
        post([this, control] { --typing_in_flight_[control]; });
    });
    if (const std::optional<Side> side = ReferenceMarks::side_of(control)) {
        mark_reference(*side);
    }
}

void MainPresenter::left(const std::string& control) {
    if (const std::optional<Side> side = ReferenceMarks::side_of(control)) {
        post_reference_done(session_, *side);
    }
}

void MainPresenter::stop(std::optional<Side> side) {
    session_.request_stop(side);
}

void MainPresenter::exit() {
    session_.request_exit();
}

void MainPresenter::exit_now() {
    session_.request_exit_now();
}

} // namespace dopplex::app
