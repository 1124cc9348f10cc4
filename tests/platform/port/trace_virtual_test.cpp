// The trace backend on real files and the virtual backend, alone and behind the supervisor.
#include "port/supervised_port.h"
#include "port/trace.h"
#include "port/virtual_port.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string_view>
#include <unistd.h>

namespace dopplex::port {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono;

constexpr std::string_view kDigits = "0123456789";

// Read by hand: std::regex draws -Wmaybe-uninitialized from GCC 12 under the sanitizers.
bool only(std::string_view text, std::string_view allowed) {
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

class TraceFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("dopplex-trace-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log");
        std::filesystem::remove(path_);
    }
    void TearDown() override { std::filesystem::remove(path_); }

    std::vector<std::string> lines() const {
        std::ifstream in(path_);
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);) {
            result.push_back(line);
        }
        return result;
    }

    std::filesystem::path path_;
};

TEST(TraceLine, FormatsTimeAddressByteAndBits) {
    const steady_clock::time_point t0{};
    EXPECT_EQ(trace_line(t0 + nanoseconds(5123004512331), 0x378, 12),
              "5123.004512331 0x378 12 00001100\n");
    EXPECT_EQ(trace_line(t0, 0x378, 0), "0.000000000 0x378 0 00000000\n");
    EXPECT_EQ(trace_line(t0 + seconds(1) - nanoseconds(1), 0x278, 255),
              "0.999999999 0x278 255 11111111\n");
    EXPECT_EQ(trace_line(t0 + milliseconds(60), 0x3BC, 129), "0.060000000 0x3BC 129 10000001\n");
}

TEST_F(TraceFile, AppendsEveryWriteInOrderWithMonotonicTimes) {
    { std::ofstream(path_) << "earlier run\n"; }
    const auto before = steady_clock::now();
    {
        TracePort trace(path_.string());
        trace.open();
        for (const std::uint8_t byte : {12, 12, 255, 0}) {
            trace.write(888, byte);
        }
    }
    const auto after = steady_clock::now();

    const auto all = lines();
    ASSERT_EQ(all.size(), 5U);
    EXPECT_EQ(all[0], "earlier run");
    std::vector<std::string> bytes;
    steady_clock::time_point previous = before;
    for (std::size_t i = 1; i < all.size(); ++i) {
        std::istringstream fields(all[i]);
        std::string whole_s, ns, address, byte, bits, extra;
        std::getline(fields, whole_s, '.');
        const bool read = static_cast<bool>(fields >> ns >> address >> byte >> bits);
        ASSERT_TRUE(read && !(fields >> extra) && only(whole_s, kDigits) && ns.size() == 9 &&
                    only(ns, kDigits) && address == "0x378" && only(byte, kDigits) &&
                    bits.size() == 8 && only(bits, "01"))
            << all[i];
        const steady_clock::time_point time{seconds(std::stoll(whole_s)) +
                                            nanoseconds(std::stoll(ns))};
        EXPECT_GE(time, previous) << all[i];
        EXPECT_LE(time, after) << all[i];
        previous = time;
        bytes.push_back(byte + " " + bits);
    }
    EXPECT_THAT(bytes, ElementsAre("12 00001100", "12 00001100", "255 11111111", "0 00000000"));
}

TEST_F(TraceFile, MissingFolderGivesAClearMessage) {
    TracePort trace((path_ / "no" / "such" / "file.log").string());
    try {
        trace.open();
        ADD_FAILURE() << "opened a file in a missing folder";
    } catch (const PortError& error) {
        EXPECT_THAT(error.what(), HasSubstr("ENOENT"));
        EXPECT_THAT(error.what(), HasSubstr("check that its folder exists"));
    }
}

TEST(TraceFull, FullDiskIsReportedOnceAndRetried) {
    std::vector<std::string> reports;
    SupervisedPort port(std::make_unique<TracePort>("/dev/full"),
                        [&](const std::string& text) { reports.push_back(text); });
    port.Out32(888, 1);
    port.Out32(888, 2);
    port.Out32(888, 3);
    ASSERT_EQ(reports.size(), 1U);
    EXPECT_THAT(reports[0], HasSubstr("trace to /dev/full stopped working"));
    EXPECT_THAT(reports[0], HasSubstr("ENOSPC"));
    EXPECT_EQ(port.status().health, PortHealth::Failed);
    EXPECT_EQ(port.status().lines, std::nullopt);
}

TEST(VirtualPort, KeepsEveryWriteAndTheSupervisorShowsTheByte) {
    auto backend = std::make_unique<VirtualPort>();
    VirtualPort& virtual_port = *backend;
    std::vector<std::string> reports;
    SupervisedPort port(std::move(backend),
                        [&](const std::string& text) { reports.push_back(text); });
    EXPECT_EQ(virtual_port.last_byte(), std::nullopt);
    port.Out32(888, 12);
    port.Out32(888, 12);
    port.Out32(888, 255);
    EXPECT_EQ(virtual_port.write_count(), 3U);
    EXPECT_EQ(virtual_port.last_byte(), 255);
    EXPECT_EQ(port.status(), (PortStatus{"virtual (no hardware)", PortHealth::Ok, 255, ""}));
    EXPECT_TRUE(reports.empty());
}

} // namespace
} // namespace dopplex::port
