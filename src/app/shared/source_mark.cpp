#include "source_mark.h"

#include "readout_text.h"
#include "tracker/record/simulated_mark.h"
#include "window_layout.h"

namespace dopplex::app {

void SourceMark::follow(const std::string& control, const std::string& text) {
    if (control == "l_dd") {
        link_state_ = text;
    } else if (control == "l_st") {
        source_ = simulated_source(text);
        simulated_ = !source_.empty();
        served_ = served_ || simulated_;
    }
}

std::string SourceMark::link_state() const {
    return simulated_ ? std::string(kSimulatedPass) : link_state_;
}

std::string SourceMark::link_hint() const {
    if (!simulated_) {
        return {};
    }
    return link_state_ + ": the tracker plays a " + (source_ == "REPLAY" ? "recorded" : "made-up") +
           " pass (SIMULATED\"" + source_ + "\"); no satellite is there.";
}

std::string SourceMark::link_tooltip(const std::string& link_reason) const {
    std::string tooltip;
    for (const std::string& line : {link_hint(), link_reason}) {
        if (!line.empty()) {
            tooltip += line + "\n";
        }
    }
    return tooltip + kLinkClickHint;
}

std::string SourceMark::title() const {
    const std::string caption(kWindowCaption);
    return simulated_ ? std::string(kSimulatedPass) + " - " + caption : caption;
}

} // namespace dopplex::app
