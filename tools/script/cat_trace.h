// The CAT sides of a scenario and their lines of the trace: behind each side set to a model
// radio, a model of rigctld in virtual time and a CatSide plugged into the closed loop in place
// of the side's buttons. The trace shows what each radio carries out (sets, readbacks, knob
// turns) and what its side says (status, reports). Engine thread; lives within RunScenario.
#pragma once

#include "cat/cat_side.h"
#include "cat/loop_target.h"
#include "model_rigctld.h"
#include "scenario.h"

#include <array>
#include <iosfwd>
#include <memory>

namespace dopplex {

class CatTrace final : public CatObserver {
public:
    CatTrace(std::ostream& out, EventLoop& loop, ClosedLoop& closed,
             const std::array<std::optional<ScenarioRadio>, 2>& radios);
    ~CatTrace() override;
    CatTrace(const CatTrace&) = delete;
    CatTrace& operator=(const CatTrace&) = delete;

    // The operator turns the side's knob at `t` (the side has a model radio).
    void turn_knob_at(Side side, std::int64_t t, double delta_hz);

    // The dump's "cat" member with its leading comma: each model radio's frequency and its
    // side's status. Nothing without one.
    void dump() const;

    void cat_status(Side side, const std::string& line) override;
    void cat_report(Side side, const std::string& line) override;

private:
    struct Plugged {
        Plugged(EventLoop& loop, Side side, std::int64_t each_way_ms, SideTarget& target);
        bench::ModelRigctld daemon;
        CatSide side;
    };
    void write(Side side, const char* key, const std::string& text) const;

    std::ostream& out_;
    Host& host_;
    ClosedLoop& closed_;
    LoopTarget target_;
    std::array<std::unique_ptr<Plugged>, 2> plugged_;
};

} // namespace dopplex
