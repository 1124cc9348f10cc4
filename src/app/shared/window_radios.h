// The window's radio per side: its push buttons or a CAT radio behind rigctld, plugged into the
// station on the engine thread; what each CAT side says for the panel's readouts, and the
// operator's own choice for the settings. Engine thread, but for the constructor. Destroyed
// after the engine thread ends, it closes every link and ends its reader.
#pragma once

#include "cat/cat_radios.h"
#include "engine_session.h"
#include "loop_panel.h"
#include "tracking_settings.h"

#include <array>
#include <functional>
#include <string>

namespace dopplex::app {

class WindowRadios final : public CatRadios::Observer {
public:
    // `changed`: on the engine thread, after anything the panel shows changed.
    WindowRadios(EngineSession& session, std::function<void()> changed);

    // Before the engine starts: what the settings hold.
    void remember(const SideRadios& remembered) { remembered_ = remembered; }
    // The radios this run starts with.
    void start_with(const SideRadios& radios);
    // The operator's words for a side: an address that does not read leaves the side as it was
    // and its readout says why.
    void choose(Side side, const std::string& words);

    // The radios, their statuses, and what to remember.
    void show_in(LoopPanelView& view) const;
    const SideRadios& remembered() const { return remembered_; }

    void radio_plugged(Side side, const std::string& line) override;
    void cat_status(Side side, const std::string& line) override;
    void cat_report(Side side, const std::string& line) override;

private:
    void use(Side side, const std::optional<CatAddress>& radio);

    EngineSession& session_;
    std::function<void()> changed_;
    CatRadios radios_;
    SideRadios in_use_{};
    SideRadios remembered_{};
    std::array<std::string, 2> status_{};
    std::array<std::string, 2> knob_{}; // the side's last knob turn, "knob +1000 Hz"
    std::array<int, 2> answers_{};
};

} // namespace dopplex::app
