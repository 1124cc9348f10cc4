#include "bench_window.h"

#include "port/trace.h"

#include <stdexcept>

namespace dopplex::bench {

namespace {

std::string reference_text(std::int64_t hz) {
    // Exponent form as an operator types it: 436778400 -> "4.367784E8".
    std::string digits = std::to_string(hz);
    const std::size_t exponent = digits.size() - 1;
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    return digits.substr(0, 1) + "." + (digits.size() > 1 ? digits.substr(1) : "0") + "E" +
           std::to_string(exponent);
}

} // namespace

std::string tracking_text(std::int64_t downlink_hz, std::int64_t uplink_hz) {
    return "SN\"AO-91\" AZ123.4 EL12.3 DN" + std::to_string(downlink_hz) + " UP" +
           std::to_string(uplink_hz) + " UM\"FM\" DM\"FM\" AOS\"12:34\"";
}

BenchWindow::BenchWindow(const std::string& trace_path, std::function<void()> watchdog_setup)
    : port(std::make_unique<port::TracePort>(trace_path),
           [this](const std::string& message) { reports_.push_back(message); }) {
    host.set_fallback_report([this](const std::string& text) { reports_.push_back(text); });
    port.open();
    form.latch.guard = &guard;
    guard.start_watchdog(std::move(watchdog_setup));
}

void BenchWindow::prepare(std::int64_t downlink_hz, std::int64_t uplink_hz) {
    loop.guarded([&] { form.FormCreate(); });
    form.Type("Edit1", reference_text(kRxReferenceHz));
    form.Type("Edit13", reference_text(kTxReferenceHz));
    form.Click("CheckBox1");
    feed(tracking_text(downlink_hz, uplink_hz));
    if (!form.CheckBox1.checked() || !form.Button1.enabled()) {
        throw std::runtime_error("the window did not get ready for tuning");
    }
}

void BenchWindow::feed(const std::string& text) {
    form.TrackingDataEx.receive(text);
}

void BenchWindow::post_update(const std::string& text, std::optional<std::int64_t> stamp) {
    loop.post(
        EventKind::Link, [this, text] { feed(text); }, stamp);
}

void BenchWindow::post_click(const std::string& name, std::optional<std::int64_t> stamp) {
    loop.post(
        EventKind::Input, [this, name] { form.Click(name); }, stamp);
}

void BenchWindow::post_quit(std::optional<std::int64_t> stamp) {
    loop.post(
        EventKind::Control, [this] { loop.quit(); }, stamp);
}

void BenchWindow::finish() {
    if (!reports_.empty()) {
        throw std::runtime_error("the run raised a report: " + reports_.front());
    }
    if (port.status().health != port::PortHealth::Ok) {
        throw std::runtime_error("the trace port failed: " + port.status().message);
    }
}

} // namespace dopplex::bench
