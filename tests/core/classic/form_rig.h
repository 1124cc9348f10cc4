// The main window on the virtual host after FormCreate, with a recording port: the fixture of
// the window, display and keying tests.
#pragma once

#include "classic/tfmain.h"
#include "keying/recording_port.h"
#include "runtime/event_loop.h"
#include "runtime/virtual_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace dopplex {

inline void PrintTo(const PortWrite& w, std::ostream* os) {
    *os << w.value + 0 << "@" << w.t
        << (w.address == 888 ? "" : " address " + std::to_string(w.address));
}

namespace test {

// A write at a time; the address is always the port's 888.
struct Byte {
    std::int64_t t;
    int value;
};

inline std::vector<PortWrite> trace(std::initializer_list<Byte> bytes) {
    std::vector<PortWrite> out;
    for (const Byte& b : bytes) {
        out.push_back({b.t, 888, static_cast<std::uint8_t>(b.value)});
    }
    return out;
}

template <class Base = ::testing::Test> class FormTest : public Base {
protected:
    VirtualHost host;
    EventLoop loop{host};
    RecordingPort port{host};
    TFMain form{loop, port};

    FormTest() {
        loop.guarded([&] { form.FormCreate(); });
    }

    // Operator input at `t`.
    void at(std::int64_t t, std::function<void()> action) {
        loop.post(EventKind::Input, std::move(action), t);
    }
    void click_at(std::int64_t t, const std::string& name) {
        at(t, [this, name] { form.Click(name); });
    }
    // The tracker's item changes to `text` at `t`.
    void tracking_at(std::int64_t t, const std::string& text) {
        loop.post(
            EventKind::Link, [this, text] { form.TrackingDataEx.receive(text); }, t);
    }
    // Ticks "Enable hardware" at once, without a write.
    void enable_hardware() {
        form.Click("CheckBox1");
        ASSERT_TRUE(form.CheckBox1.checked());
    }
    // When an input posted at `t` is taken: the end of whatever held the thread.
    void mark_at(std::int64_t t, std::vector<std::int64_t>& taken) {
        at(t, [this, &taken] { taken.push_back(host.now()); });
    }
    std::vector<std::string> reports() const {
        std::vector<std::string> texts;
        for (const auto& r : host.reports()) {
            texts.push_back(r.text);
        }
        return texts;
    }
};

} // namespace test
} // namespace dopplex
