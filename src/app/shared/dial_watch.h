// Keeps the dial estimate on the engine thread: it sits between the window model and the port,
// counts every byte that reaches the port, follows the references that are done and read right
// (set_reference), the step and the tracker's Doppler frequencies as the model holds them, and
// tells `on_change` each side's estimate when it changes. Never changes a write. Engine thread
// only; `on_change` must only queue.
#pragma once

#include "classic/form_observer.h"
#include "classic/tfmain.h"
#include "keying/dial_estimate.h"
#include "keying/port_writer.h"

#include <functional>
#include <optional>

namespace dopplex::app {

struct DialReading {
    Side side = Side::Rx;
    std::optional<double> dial_hz;       // none: no reference typed yet
    std::optional<double> difference_hz; // from the Doppler frequency plus the offset; none:
                                         // no Doppler frequency yet
    double offset_hz = 0;                // the closed loop's offset
    bool operator==(const DialReading&) const = default;
};

class DialWatch final : public PortWriter, public FormObserver {
public:
    explicit DialWatch(PortWriter& port) : port_(port) {}

    // Before the engine starts: the model it reads (which writes through this watch).
    void attach(TFMain& form);
    void on_change(std::function<void(const DialReading&)> listener) {
        listener_ = std::move(listener);
    }

    // A reference the operator is done with: a new one starts the side afresh.
    void set_reference(Side side, double reference_hz);

    void Out32(std::uint16_t address, std::uint8_t data) override;
    void control_changed(const Control& control, Change what) override;
    void focus_moved(const std::string&) override {}
    void loop_pressed(const LoopPress&) override { publish(); }

private:
    void publish();

    PortWriter& port_;
    TFMain* form_ = nullptr;
    DialEstimate estimate_;
    std::optional<DialReading> last_[2];
    std::function<void(const DialReading&)> listener_;
};

} // namespace dopplex::app
