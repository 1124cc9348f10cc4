// Where the operator looks, a pass that the tracker generates or replays is marked: the link
// state reads "SIMULATED PASS" instead of "Opened" and the title starts with it. The mark
// follows the received string as the model shows it (l_st): it holds while the tracker's texts
// name a simulation and ends with the link ("No data"). For every toolkit; GUI thread.
#pragma once

#include <string>
#include <string_view>

namespace dopplex::app {

inline constexpr std::string_view kSimulatedPass = "SIMULATED PASS";

class SourceMark {
public:
    // A text the model gave a control; only l_dd and l_st matter.
    void follow(const std::string& control, const std::string& text);
    static bool concerns(const std::string& control) {
        return control == "l_dd" || control == "l_st";
    }

    bool simulated() const { return simulated_; }
    // Whether any text of this run named a simulation: the tracker that the window started was
    // a pass player.
    bool served_simulated_pass() const { return served_; }
    // What the link state (l_dd) shows, and its tooltip's first line.
    std::string link_state() const;
    std::string link_hint() const;
    // The link label's whole tooltip: the hint, why the link is as it is (`link_reason`, may be
    // empty) and what a click does, one per line.
    std::string link_tooltip(const std::string& link_reason) const;
    std::string title() const;

private:
    std::string link_state_;
    std::string source_;
    bool simulated_ = false;
    bool served_ = false;
};

} // namespace dopplex::app
