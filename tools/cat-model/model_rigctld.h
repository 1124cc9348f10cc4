// rigctld with a radio behind it as the benchmark, the CAT tests and the scenario runner
// imagine it, in virtual time: each command reaches the radio `each_way_ms` after it was sent
// and its answer comes back as long after that, in order. The radio holds whole hertz; a knob
// turn moves it at once. It keeps every frequency it took with its time, so a run can ask where
// the radio was at any moment. Engine thread (its answers are events of the engine's queue).
#pragma once

#include "cat/cat_side.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dopplex::bench {

class ModelRigctld : public CatLink {
public:
    ModelRigctld(EventLoop& loop, std::int64_t each_way_ms)
        : loop_(loop), each_way_ms_(each_way_ms) {}

    void attach(CatSide& side) { side_ = &side; }
    void open() override;
    void send(const std::string& bytes) override;
    void close() override { open_ = false, ++generation_; }

    // What the daemon does when asked: nobody listens, or every set is refused with RPRT -1.
    void set_absent(bool absent) { absent_ = absent; }
    void set_refusing(bool refusing) { refusing_ = refusing; }
    // It takes commands and never answers.
    void set_silent(bool silent) { silent_ = silent; }
    // The daemon closes the connection at once.
    void drop();
    // The operator turns the knob at `t`.
    void turn_knob_at(std::int64_t t, double delta_hz);

    // What the radio carries out as it happens, for a trace: a set it takes, a readback it
    // answers (none before anything set it) and a knob turn (the frequency it leaves).
    enum class Took { Set, Read, Knob };
    using TookHandler = std::function<void(Took, std::int64_t t, std::optional<double> hz)>;
    void on_took(TookHandler handler) { took_ = std::move(handler); }

    std::optional<double> frequency_at(std::int64_t t) const;
    int sets() const { return sets_; }
    int opens() const { return opens_; } // tries, whether they connected or not

private:
    void take(const std::string& line, std::uint64_t generation);
    void tune(std::int64_t t, double hz) { history_.push_back({t, hz}); }
    void tell(Took took, std::int64_t t, std::optional<double> hz) const {
        if (took_) {
            took_(took, t, hz);
        }
    }

    EventLoop& loop_;
    std::int64_t each_way_ms_;
    CatSide* side_ = nullptr;
    bool open_ = false;
    bool absent_ = false;
    bool refusing_ = false;
    bool silent_ = false;
    std::uint64_t generation_ = 0;
    struct Tuned {
        std::int64_t t;
        double hz;
    };
    std::vector<Tuned> history_;
    int sets_ = 0;
    int opens_ = 0;
    TookHandler took_;
};

} // namespace dopplex::bench
