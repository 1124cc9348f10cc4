#include "cat/rigctl_client.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace dopplex {

namespace {

// A new answer time moves the smoothed one by this share: a few answers even out a slow one.
constexpr double kAnswerSmoothing = 0.25;

std::string hz_text(double hz) {
    return std::to_string(std::llround(hz));
}

// The number after "Name: " in an answer's value line, as rigctld writes "Frequency: 437800000".
std::optional<double> value_of(std::string_view line) {
    const auto colon = line.rfind(": ");
    const std::string number(colon == std::string_view::npos ? line : line.substr(colon + 2));
    if (number.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double v = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

} // namespace

std::string RigctlClient::ask_set(double hz, std::int64_t now) {
    CatAnswer a;
    a.ask = CatAsk::Set;
    a.sent_at = now;
    a.set_hz = std::round(hz);
    a.sets_before = sets_sent_++;
    last_set_hz_ = a.set_hz;
    in_flight_.push_back(a);
    if (vfo_ == "split") {
        return "+I " + hz_text(hz) + "\n";
    }
    return "+F " + (vfo_.empty() ? "" : vfo_ + " ") + hz_text(hz) + "\n";
}

std::string RigctlClient::ask_read(std::int64_t now) {
    CatAnswer a;
    a.ask = CatAsk::Read;
    a.sent_at = now;
    a.sets_before = sets_sent_;
    a.last_set_hz = last_set_hz_;
    in_flight_.push_back(a);
    if (vfo_ == "split") {
        return "+i\n";
    }
    return "+f" + (vfo_.empty() ? "" : " " + vfo_) + "\n";
}

std::vector<CatAnswer> RigctlClient::received(std::string_view bytes, std::int64_t now) {
    std::vector<CatAnswer> done;
    buffer_.append(bytes);
    std::size_t start = 0;
    for (auto end = buffer_.find('\n'); end != std::string::npos;
         start = end + 1, end = buffer_.find('\n', start)) {
        std::string_view line(buffer_.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.rfind("RPRT ", 0) == 0) {
            if (in_flight_.empty()) {
                throw std::runtime_error("an answer to nothing asked (" + std::string(line) + ")");
            }
            CatAnswer a = in_flight_.front();
            in_flight_.pop_front();
            a.code = std::atoi(std::string(line.substr(5)).c_str());
            a.answered_at = now;
            if (a.ask == CatAsk::Read && a.code == 0) {
                if (!pending_hz_) {
                    throw std::runtime_error("a frequency read back without a value");
                }
                a.read_hz = pending_hz_;
            }
            pending_hz_.reset();
            const auto ms = static_cast<double>(now - a.sent_at);
            answer_ms_ = answer_ms_ ? *answer_ms_ + kAnswerSmoothing * (ms - *answer_ms_) : ms;
            done.push_back(a);
        } else if (!in_flight_.empty() && in_flight_.front().ask == CatAsk::Read) {
            // The echo of the command ends in a colon; the value line carries a number.
            if (const auto v = value_of(line); v && line.back() != ':') {
                pending_hz_ = v;
            }
        }
    }
    buffer_.erase(0, start);
    if (buffer_.size() > kLongestLine) {
        throw std::runtime_error("an answer line longer than " + std::to_string(kLongestLine) +
                                 " bytes");
    }
    return done;
}

void RigctlClient::clear() {
    in_flight_.clear();
    buffer_.clear();
    pending_hz_.reset();
    last_set_hz_.reset();
}

bool RigctlClient::set_in_flight() const {
    for (const CatAnswer& a : in_flight_) {
        if (a.ask == CatAsk::Set) {
            return true;
        }
    }
    return false;
}

std::optional<std::int64_t> RigctlClient::oldest_sent() const {
    if (in_flight_.empty()) {
        return std::nullopt;
    }
    return in_flight_.front().sent_at;
}

} // namespace dopplex
