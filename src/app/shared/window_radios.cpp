#include "window_radios.h"

#include <stdexcept>

namespace dopplex::app {

namespace {

std::size_t at(Side side) {
    return static_cast<std::size_t>(side);
}

} // namespace

WindowRadios::WindowRadios(EngineSession& session, std::function<void()> changed)
    : session_(session), changed_(std::move(changed)), radios_(session.loop(), *this) {}

void WindowRadios::start_with(const SideRadios& radios) {
    for (const Side side : {Side::Rx, Side::Tx}) {
        use(side, radios[at(side)]);
    }
    changed_();
}

void WindowRadios::choose(Side side, const std::string& words) {
    ++answers_[at(side)];
    std::optional<CatAddress> radio;
    try {
        radio = parse_side_radio(words);
    } catch (const NotARadio& error) { // the reason is what the readout has room for
        status_[at(side)] = std::string(side_name(side)) + " radio not changed: " + error.why();
        changed_();
        return;
    }
    if (radio != in_use_[at(side)]) {
        use(side, radio);
    }
    remembered_[at(side)] = radio;
    changed_();
}

void WindowRadios::use(Side side, const std::optional<CatAddress>& radio) {
    in_use_[at(side)] = radio;
    status_[at(side)].clear();
    knob_[at(side)].clear();
    try {
        radios_.plug_side(session_.station(), side, radio, CatSettings{});
    } catch (const std::exception& error) { // a link that cannot even be made: its buttons again
        in_use_[at(side)].reset();
        status_[at(side)] = std::string(side_name(side)) + " radio: " + error.what();
    }
}

void WindowRadios::show_in(LoopPanelView& view) const {
    for (const Side side : {Side::Rx, Side::Tx}) {
        view.radio[at(side)] = side_radio_text(in_use_[at(side)]);
        view.radio_status[at(side)] = status_[at(side)];
        view.radio_answers[at(side)] = answers_[at(side)];
    }
}

void WindowRadios::radio_plugged(Side side, const std::string& line) {
    status_[at(side)] = line;
}

void WindowRadios::cat_status(Side side, const std::string& line) {
    // The knob's turn stays in sight while the side sets through again.
    const std::string& knob = knob_[at(side)];
    const bool setting = line.starts_with("setting through ");
    status_[at(side)] =
        std::string(side_name(side)) + ": " + line + (setting && !knob.empty() ? ", " + knob : "");
    changed_();
}

void WindowRadios::cat_report(Side side, const std::string& line) {
    if (line.starts_with("knob ")) {
        knob_[at(side)] = line;
    }
    session_.cat_report(side, line);
}

} // namespace dopplex::app
