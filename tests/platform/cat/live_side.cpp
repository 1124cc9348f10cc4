#include "live_side.h"

#include <gtest/gtest.h>

#include <chrono>

namespace dopplex::test {

Engine::Engine() {
    host_.set_fallback_report([](const std::string&) {});
    thread_ = std::thread([this] { loop_.run(); });
}

Engine::~Engine() {
    loop_.quit();
    thread_.join();
}

LiveSide::LiveSide(Engine& e, Side s, const CatAddress& address, SideTarget& target) : engine(e) {
    link = std::make_unique<TcpLink>(
        address.host, address.port,
        [this](std::string bytes) {
            engine.loop().post(EventKind::Link, [this, bytes] {
                if (side) {
                    side->received(bytes);
                }
            });
        },
        [this](std::string why) {
            engine.loop().post(EventKind::Link, [this, why] {
                if (side) {
                    side->dropped(why);
                }
            });
        });
    side = std::make_unique<CatSide>(engine.loop(), s, address, *link, target);
}

LiveSide::~LiveSide() {
    engine.on_engine([this] { side.reset(); });
    link.reset();
    engine.on_engine([] { return 0; }); // what the link posted before it closed
}

void sleep_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Following::settle() {
    for (int i = 0; i < 500 && status().rfind("setting through", 0) != 0; ++i) {
        sleep_ms(10);
    }
    ASSERT_EQ(status().rfind("setting through", 0), 0u) << status();
    sleep_ms(400);
}

} // namespace dopplex::test
