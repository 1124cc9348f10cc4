#include "cat/cat_side.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace dopplex {

namespace {

std::string mhz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f MHz", hz / 1e6);
    return text;
}

std::string signed_hz(double hz) {
    const long long rounded = std::llround(hz);
    return (rounded > 0 ? "+" : "") + std::to_string(rounded) + " Hz";
}

std::string seconds(std::int64_t ms) {
    return std::to_string((ms + 999) / 1000) + " s";
}

} // namespace

void check_cat_settings(const CatSettings& settings) {
    if (settings.sets_per_s < 1 || settings.sets_per_s > 20) {
        throw std::invalid_argument("\"" + std::to_string(settings.sets_per_s) +
                                    "\" is not a rate of sets: 1 to 20 a second");
    }
    if (!(settings.resolution_hz >= 1 && settings.resolution_hz <= 10000)) {
        throw std::invalid_argument("\"" + std::to_string(settings.resolution_hz) +
                                    "\" is not a radio's resolution: 1 to 10000 Hz");
    }
}

CatSide::CatSide(EventLoop& loop, Side side, const CatAddress& address, CatLink& link,
                 SideTarget& target, CatSettings settings)
    : loop_(loop), host_(loop.host()), side_(side), address_(address), link_(link), target_(target),
      settings_(settings), client_(address.vfo) {
    check_cat_settings(settings_);
}

CatSide::~CatSide() {
    *alive_ = false;
    if (connected_) {
        link_.close();
    }
}

void CatSide::follow() {
    following_ = true;
    waiting_reported_ = false;
    wake_at(host_.now());
}

void CatSide::stop() {
    following_ = false;
    holding_ = false;
    suspect_.reset();
    steady_status();
}

void CatSide::reset(double reference_hz) {
    stop();
    reset_hz_ = reference_hz;
    wake_at(host_.now());
}

void CatSide::wake_at(std::int64_t t) {
    if (cycling_) {
        return;
    }
    cycling_ = true;
    loop_.post(
        EventKind::Control,
        [this, alive = alive_] {
            if (*alive) {
                cycle();
            }
        },
        t);
}

void CatSide::cycle() {
    const std::int64_t now = host_.now();
    cycling_ = false;
    if (!following_ && !reset_hz_) {
        return;
    }
    wake_at(now + period_ms());
    if (!connected_ && (now < retry_at_ || !try_connect(now))) {
        return;
    }
    if (const auto oldest = client_.oldest_sent(); oldest && now - *oldest >= kCatNoAnswerMs) {
        fault("no answer from " + daemon_name(address_), now);
        return;
    }
    if (reset_hz_) {
        const double hz = std::round(*reset_hz_);
        reset_hz_.reset();
        send(client_.ask_set(hz, now));
        last_set_ = hz;
        target_.radio_set(side_, hz);
        for (CatObserver* o : observers_) {
            o->cat_set(side_, now, hz);
        }
        report("reset to " + mhz(hz));
        steady_status();
        return;
    }
    if (!following_ || now < refused_until_) {
        return;
    }
    // The readback goes first: it sees the knob up to this moment, and its answer tells whether
    // this cycle's set may go out. The set follows it, or half a period on when the daemon is slow.
    cycle_read_ = client_.sets_sent();
    set_this_cycle_ = holding_;
    send(client_.ask_read(now));
    if (!set_this_cycle_ && connected_) {
        loop_.post(
            EventKind::Control,
            [this, alive = alive_, read = cycle_read_] {
                if (*alive && !set_this_cycle_ && cycle_read_ == read) {
                    send_set(host_.now());
                }
            },
            now + period_ms() / 2);
    }
}

void CatSide::send_set(std::int64_t now) {
    set_this_cycle_ = true;
    if (!connected_ || !following_ || holding_ || now < refused_until_) {
        return;
    }
    // From about half the answer time after sending until the next set does the same.
    const double answer = client_.answer_ms().value_or(0);
    const std::int64_t aim = now + std::llround(answer / 2) + period_ms() / 2;
    const std::optional<double> target = target_.target_at(side_, aim);
    if (!target) {
        if (!waiting_reported_) {
            set_status("waiting for the tracker's frequencies");
        }
        waiting_reported_ = true;
        return;
    }
    waiting_reported_ = false;
    const double hz = std::round(*target / settings_.resolution_hz) * settings_.resolution_hz;
    if (last_set_ && std::fabs(hz - *last_set_) < settings_.resolution_hz) {
        steady_status();
        return;
    }
    send(client_.ask_set(hz, now));
    if (!connected_) {
        return;
    }
    last_set_ = hz;
    target_.radio_set(side_, hz);
    for (CatObserver* o : observers_) {
        o->cat_set(side_, now, hz);
    }
    steady_status();
}

void CatSide::send(const std::string& line) {
    try {
        link_.send(line);
    } catch (const std::exception& e) {
        fault("connection to " + daemon_name(address_) + " lost: " + e.what(), host_.now());
    }
}

void CatSide::received(const std::string& bytes) {
    if (!connected_) {
        return;
    }
    const std::int64_t now = host_.now();
    std::vector<CatAnswer> answers;
    try {
        answers = client_.received(bytes, now);
    } catch (const std::exception& e) {
        fault(daemon_name(address_) + " is not rigctld: " + e.what(), now);
        return;
    }
    // A daemon that answers is well again: the next fault starts with the first pause.
    if (!answers.empty()) {
        pause_ms_ = kCatFirstPauseMs;
        if (!outage_.empty()) {
            outage_.clear();
            report("connected again to " + daemon_name(address_));
            steady_status();
        }
    }
    for (const CatAnswer& a : answers) {
        answered(a, now);
        if (!connected_) {
            return;
        }
    }
}

void CatSide::dropped(const std::string& reason) {
    if (connected_) {
        fault("connection to " + daemon_name(address_) + " lost: " + reason, host_.now());
    }
}

void CatSide::answered(const CatAnswer& a, std::int64_t now) {
    if (a.code != 0) {
        refused(a, now);
        return;
    }
    if (a.ask == CatAsk::Set) {
        if (refusal_reported_ && a.sets_before >= blind_until_) {
            refusal_reported_ = false;
            refusal_pause_ms_ = kCatFirstPauseMs;
        }
        return;
    }
    read_back(a);
    if (a.sets_before == cycle_read_ && !set_this_cycle_) {
        send_set(now);
    }
}

void CatSide::read_back(const CatAnswer& a) {
    // A readback is held against the set that went out just before it: rigctld answers in
    // order, so whatever was sent after it cannot have moved what it read.
    if (!a.last_set_hz || !a.read_hz || a.sets_before <= blind_until_) {
        return;
    }
    const double diff = *a.read_hz - *a.last_set_hz;
    if (std::fabs(diff) <= settings_.resolution_hz || !following_) {
        holding_ = false;
        suspect_.reset();
        far_reported_ = false;
        return;
    }
    // No hand turns a knob past a satellite's Doppler between two readbacks: a stray client's
    // set or a bad answer. The radio goes back to the target with the next set.
    if (std::fabs(diff) > kDopplerReach * std::fabs(*a.last_set_hz)) {
        not_a_turn("the radio reads " + mhz(*a.read_hz) +
                   ", farther than a satellite's Doppler from " + mhz(*a.last_set_hz) +
                   ": not taken as a knob turn");
        return;
    }
    // Seen twice with no set between: the operator's knob, not a passing value.
    if (suspect_ && *suspect_ == a.sets_before) {
        holding_ = false;
        suspect_.reset();
        if (!target_.knob_turned(side_, diff)) {
            not_a_turn("knob " + signed_hz(diff) + " not taken: an offset goes no further than " +
                       std::to_string(kOffsetLimitHz) + " Hz either way");
            return;
        }
        far_reported_ = false;
        last_set_ = *a.read_hz;
        // Readbacks asked before the next set see the turn again: they compare to nothing.
        blind_until_ = client_.sets_sent();
        for (CatObserver* o : observers_) {
            o->cat_knob(side_, diff);
        }
        const std::string line = "knob " + signed_hz(diff);
        set_status(line);
        report(line);
        return;
    }
    suspect_ = a.sets_before;
    holding_ = true;
}

void CatSide::not_a_turn(const std::string& line) {
    holding_ = false;
    suspect_.reset();
    // Readbacks already asked see the same value: they compare to nothing.
    blind_until_ = client_.sets_sent();
    last_set_.reset(); // the next set goes out even when the target has not moved
    if (!far_reported_) {
        set_status(line);
        report(line);
    }
    far_reported_ = true;
}

void CatSide::refused(const CatAnswer& a, std::int64_t now) {
    // Answers already in flight behind the first refusal do not stretch the pause again.
    if (now >= refused_until_) {
        refused_until_ = now + refusal_pause_ms_;
        refusal_pause_ms_ = std::min(refusal_pause_ms_ * 2, kCatLongestPauseMs);
    }
    blind_until_ = client_.sets_sent();
    holding_ = false;
    suspect_.reset();
    last_set_.reset();
    const std::string what =
        a.ask == CatAsk::Set ? "setting " + mhz(a.set_hz) : std::string("reading the frequency");
    const std::string line =
        daemon_name(address_) + " refuses " + what + " (RPRT " + std::to_string(a.code) + ")";
    set_status(line);
    if (!refusal_reported_) {
        report(line);
    }
    refusal_reported_ = true;
}

void CatSide::fault(const std::string& line, std::int64_t now) {
    if (connected_) {
        link_.close();
    }
    connected_ = false;
    client_.clear();
    last_set_.reset();
    holding_ = false;
    suspect_.reset();
    retry_at_ = now + pause_ms_;
    const std::string told = line + "; trying again in " + seconds(pause_ms_);
    pause_ms_ = std::min(pause_ms_ * 2, kCatLongestReconnectPauseMs);
    set_status(told);
    // The same fault again while the daemon stays away is on the status line, not the log.
    if (line != outage_) {
        report(told);
    }
    outage_ = line;
}

bool CatSide::try_connect(std::int64_t now) {
    try {
        link_.open();
    } catch (const std::exception& e) {
        fault("no connection to " + daemon_name(address_) + ": " + e.what(), now);
        return false;
    }
    connected_ = true;
    // The fault stays on the status line until the daemon answers.
    if (outage_.empty()) {
        set_status("connected to " + daemon_name(address_));
    }
    return true;
}

void CatSide::steady_status() {
    // A fault stays on the status line until what ended it is seen.
    if (!connected_ || !outage_.empty() || refusal_reported_ || far_reported_) {
        return;
    }
    if (following_) {
        set_status("setting through " + daemon_name(address_));
    } else if (last_set_) {
        set_status("holding " + mhz(*last_set_) + " through " + daemon_name(address_));
    }
}

void CatSide::set_status(const std::string& line) {
    if (line == status_) {
        return;
    }
    status_ = line;
    for (CatObserver* o : observers_) {
        o->cat_status(side_, line);
    }
}

void CatSide::report(const std::string& line) {
    for (CatObserver* o : observers_) {
        o->cat_report(side_, line);
    }
}

} // namespace dopplex
