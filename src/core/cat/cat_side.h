// One side's CAT radio behind rigctld: sets the predicted frequency at a steady rate, reads it
// back, tells the operator's knob from a set in flight, and rides out a daemon that is absent,
// slow, refusing or gone. Sets go out without waiting for earlier answers; each aims at the
// middle of the time it will stand (from half the answer time after sending, one period long).
// Owns the protocol state; runs on the engine's queue (its cycles are timed events), so it is
// driven in virtual time under test. Errors of the link become the side's status, never escape.
#pragma once

#include "cat/cat_address.h"
#include "cat/rigctl_client.h"
#include "cat/side_target.h"
#include "loop/offset_limits.h"
#include "loop/side_radio.h"
#include "runtime/event_loop.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dopplex {

struct CatSettings {
    int sets_per_s = 5;
    double resolution_hz = 1; // a change smaller than this is not set, a readback this close is
    bool operator==(const CatSettings&) const = default;
};
// Raises std::invalid_argument naming the value the side cannot use.
void check_cat_settings(const CatSettings& settings);

// A set or readback without an answer for this long: the daemon does not answer.
inline constexpr std::int64_t kCatNoAnswerMs = 3000;
// The pause before the next try after a refusal doubles from the first to the longest; after a
// lost or absent daemon it stops growing sooner, so a daemon that comes back is set again soon.
inline constexpr std::int64_t kCatFirstPauseMs = 1000;
inline constexpr std::int64_t kCatLongestPauseMs = 30000;
inline constexpr std::int64_t kCatLongestReconnectPauseMs = 4000;

class CatObserver {
public:
    virtual ~CatObserver() = default;
    // The side's status line changed ("setting through 127.0.0.1:4532", "holding 437.800000 MHz
    // through 127.0.0.1:4532", "no answer from ...").
    virtual void cat_status(Side, const std::string& /*line*/) {}
    // Said once per fault, not at every cycle: for the log.
    virtual void cat_report(Side, const std::string& /*line*/) {}
    virtual void cat_set(Side, std::int64_t /*t*/, double /*hz*/) {}
    virtual void cat_knob(Side, double /*delta_hz*/) {}
};

class CatSide : public SideRadio {
public:
    CatSide(EventLoop& loop, Side side, const CatAddress& address, CatLink& link,
            SideTarget& target, CatSettings settings = {});
    ~CatSide() override;
    CatSide(const CatSide&) = delete;
    CatSide& operator=(const CatSide&) = delete;

    void add_observer(CatObserver* observer) { observers_.push_back(observer); }

    // Follows the target from now on (connecting first when needed).
    void follow() override;
    // Sets nothing more; the connection stays.
    void stop() override;
    // Stops following and sets `reference_hz` exactly (once connected).
    void reset(double reference_hz) override;

    // From the link, on the engine thread.
    void received(const std::string& bytes);
    void dropped(const std::string& reason);

    const std::string& status() const { return status_; }
    bool following() const { return following_; }
    bool connected() const { return connected_; }
    const RigctlClient& client() const { return client_; }
    std::int64_t period_ms() const { return 1000 / settings_.sets_per_s; }

private:
    void cycle();
    void send_set(std::int64_t now);
    void send(const std::string& line);
    void answered(const CatAnswer& a, std::int64_t now);
    void read_back(const CatAnswer& a);
    void refused(const CatAnswer& a, std::int64_t now);
    // A readback that is no knob turn of the operator's: told once, the radio set back.
    void not_a_turn(const std::string& line);
    void fault(const std::string& line, std::int64_t now);
    bool try_connect(std::int64_t now);
    // What the side does while nothing is wrong: setting, or holding what it set.
    void steady_status();
    void set_status(const std::string& line);
    void report(const std::string& line);
    void wake_at(std::int64_t t);

    EventLoop& loop_;
    Host& host_;
    Side side_;
    CatAddress address_;
    CatLink& link_;
    SideTarget& target_;
    CatSettings settings_;
    RigctlClient client_;
    std::vector<CatObserver*> observers_;

    bool following_ = false;
    bool connected_ = false;
    bool cycling_ = false;
    std::optional<double> reset_hz_; // to set once connected
    std::optional<double> last_set_; // what the radio holds by our last set
    bool set_this_cycle_ = true;     // this cycle's set went out (or was not due)
    std::uint64_t cycle_read_ = 0;   // the sets_before of this cycle's readback
    bool holding_ = false;           // a readback differed: no set until the next one says why
    std::optional<std::uint64_t> suspect_; // sets_before of the readback that differed
    std::uint64_t blind_until_ = 0;        // readbacks after a refused set compare to nothing
    std::int64_t retry_at_ = 0;
    std::int64_t pause_ms_ = kCatFirstPauseMs;
    std::int64_t refused_until_ = 0;
    std::int64_t refusal_pause_ms_ = kCatFirstPauseMs;
    bool refusal_reported_ = false;
    bool far_reported_ = false; // a readback was not taken as a turn; cleared by one that agrees
    bool waiting_reported_ = false;
    std::string outage_; // the fault told for the daemon being away; empty while it answers
    std::string status_;
    std::vector<std::int64_t> wakes_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace dopplex
