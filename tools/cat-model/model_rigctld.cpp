#include "model_rigctld.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace dopplex::bench {

void ModelRigctld::open() {
    ++opens_;
    if (absent_) {
        throw std::runtime_error("Connection refused");
    }
    open_ = true;
}

void ModelRigctld::send(const std::string& bytes) {
    if (!open_) {
        throw std::runtime_error("not connected");
    }
    const std::int64_t now = loop_.host().now();
    std::size_t start = 0;
    for (auto end = bytes.find('\n'); end != std::string::npos;
         start = end + 1, end = bytes.find('\n', start)) {
        loop_.post(
            EventKind::Link,
            [this, line = bytes.substr(start, end - start), g = generation_] { take(line, g); },
            now + each_way_ms_);
    }
}

void ModelRigctld::take(const std::string& line, std::uint64_t generation) {
    if (generation != generation_) {
        return;
    }
    const std::int64_t now = loop_.host().now();
    if (silent_) {
        return;
    }
    std::string answer;
    if (line.rfind("+F ", 0) == 0 || line.rfind("+I ", 0) == 0) {
        if (refusing_) {
            answer = "set_freq: " + line.substr(3) + "\nRPRT -1\n";
        } else {
            tune(now, std::round(std::strtod(line.c_str() + 3, nullptr)));
            ++sets_;
            tell(Took::Set, now, frequency_at(now));
            answer = "set_freq: " + line.substr(3) + "\nRPRT 0\n";
        }
    } else {
        const auto hz = frequency_at(now);
        tell(Took::Read, now, hz);
        answer =
            "get_freq:\nFrequency: " + std::to_string(std::llround(hz.value_or(0))) + "\nRPRT 0\n";
    }
    loop_.post(
        EventKind::Link,
        [this, answer, generation] {
            if (generation == generation_ && side_) {
                side_->received(answer);
            }
        },
        now + each_way_ms_);
}

void ModelRigctld::drop() {
    close();
    if (side_) {
        side_->dropped("closed by the daemon");
    }
}

void ModelRigctld::turn_knob_at(std::int64_t t, double delta_hz) {
    loop_.post(
        EventKind::Link,
        [this, delta_hz] {
            const std::int64_t now = loop_.host().now();
            tune(now, frequency_at(now).value_or(0) + delta_hz);
            tell(Took::Knob, now, frequency_at(now));
        },
        t);
}

std::optional<double> ModelRigctld::frequency_at(std::int64_t t) const {
    std::optional<double> hz;
    for (const Tuned& k : history_) {
        if (k.t > t) {
            break;
        }
        hz = k.hz;
    }
    return hz;
}

} // namespace dopplex::bench
