#include "engine_rig.h"

#include <cstdio>

namespace dopplex::test {

std::string Record(double elevation, std::int64_t downlink_hz, std::int64_t uplink_hz) {
    char text[160];
    std::snprintf(text, sizeof text, "SN\"AO-91\" AZ123.4 EL%.2f DN%lld UP%lld UM\"FM\" DM\"FM\"",
                  elevation, static_cast<long long>(downlink_hz),
                  static_cast<long long>(uplink_hz));
    return text;
}

Rig::Rig(RigOptions options) {
    loop.guarded([&] { form.FormCreate(); });
    if (options.type_references) {
        form.Type("Edit1", "4.367750E8");
        form.Type("Edit13", "1.459170E8");
    }
    if (options.hardware) {
        form.Click("CheckBox1");
    }
    form.Click(options.step);
}

void Rig::update(std::int64_t t, double elevation, std::int64_t rx_diff_hz,
                 std::int64_t tx_diff_hz) {
    const std::string text = Record(elevation, kRxRefHz + rx_diff_hz, kTxRefHz + tx_diff_hz);
    loop.post(
        EventKind::Link, [this, text] { form.TrackingDataEx.receive(text); }, t);
}

void Rig::link_close(std::int64_t t) {
    loop.post(
        EventKind::Link, [this] { form.TrackingClose(); }, t);
}

const Span& Rig::timed_input(std::int64_t t, std::function<void()> action) {
    Span& span = spans_.emplace_back();
    loop.post(
        EventKind::Input,
        [this, &span, action = std::move(action)] {
            // The handler's error escapes to the loop's report; its end is still recorded.
            struct EndOnExit {
                Span& span;
                Host& host;
                ~EndOnExit() { span.end = host.now(); }
            } end_on_exit{span, host};
            span.start = host.now();
            action();
        },
        t);
    return span;
}

const Span& Rig::click(std::int64_t t, const std::string& name) {
    return timed_input(t, [this, name] { form.Click(name); });
}

const Span& Rig::key(std::int64_t t, int virtual_key) {
    return timed_input(t, [this, virtual_key] { form.KeyDown(virtual_key); });
}

void Rig::type(std::int64_t t, const std::string& name, const std::string& text) {
    loop.post(
        EventKind::Input, [this, name, text] { form.Type(name, text); }, t);
}

std::vector<std::int64_t> Rig::rises(std::uint8_t bit, std::int64_t from, std::int64_t to) const {
    std::vector<std::int64_t> times;
    bool high = false;
    for (const PortWrite& w : port.writes()) {
        const bool now_high = (w.value & bit) != 0;
        if (now_high && !high && w.t >= from && w.t < to) {
            times.push_back(w.t);
        }
        high = now_high;
    }
    return times;
}

std::vector<PortWrite> Rig::writes(std::int64_t from, std::int64_t to) const {
    std::vector<PortWrite> out;
    for (const PortWrite& w : port.writes()) {
        if (w.t >= from && w.t < to) {
            out.push_back(w);
        }
    }
    return out;
}

std::vector<std::string> Rig::report_texts() const {
    std::vector<std::string> texts;
    for (const VirtualHost::Report& r : host.reports()) {
        texts.push_back(r.text);
    }
    return texts;
}

std::vector<PortWrite> TrainWrites(std::int64_t t0, std::uint8_t base, std::uint8_t bit,
                                   int pulses) {
    std::vector<PortWrite> out;
    const auto high = static_cast<std::uint8_t>(base | bit);
    for (int counter = 1; counter <= 2 * pulses; ++counter) {
        const std::int64_t t = t0 + (counter - 1) * 200;
        const bool odd = counter % 2 != 0;
        out.push_back({t, 888, high});
        out.push_back({t, 888, odd ? high : base});
    }
    return out;
}

std::vector<std::string> TrainLog(int pulses, std::vector<std::string> closing) {
    std::vector<std::string> lines;
    for (int counter = 1; counter <= 2 * pulses; ++counter) {
        lines.push_back(std::to_string(counter));
    }
    lines.insert(lines.end(), closing.begin(), closing.end());
    return lines;
}

} // namespace dopplex::test
