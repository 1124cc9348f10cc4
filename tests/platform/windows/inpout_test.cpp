// The inpout backend against the project's stand-in library, loaded for real from the test's
// folder: writes in order at the chosen address, and every way the library can be unusable
// reported once with the fallback to virtual. Also the --port kinds of Windows.
#include "port/inpout.h"
#include "port/port_spec.h"
#include "port/supervised_port.h"
#include "port/trace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace dopplex::port {
namespace {

using ::testing::HasSubstr;

constexpr const char* kStandIn = "dopplex_inpout_standin.dll";
constexpr const char* kStandInWithoutOut32 = "dopplex_inpout_standin_without_out32.dll";

std::string read_all(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class InpOut : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove(log_);
        SetEnvironmentVariableA("DOPPLEX_INPOUT_STANDIN_LOG", log_.string().c_str());
        SetEnvironmentVariableA("DOPPLEX_INPOUT_STANDIN_DRIVER", nullptr);
    }
    void TearDown() override { std::filesystem::remove(log_); }

    SupervisedPort supervised(std::uint16_t address, const char* library) {
        return SupervisedPort(std::make_unique<InpOutPort>(address, library),
                              [this](const std::string& text) { reports_.push_back(text); });
    }

    std::filesystem::path log_ = std::filesystem::temp_directory_path() / "dopplex-inpout.log";
    std::vector<std::string> reports_;
};

TEST_F(InpOut, WritesReachTheLibraryInOrderAtTheChosenAddress) {
    {
        auto port = supervised(0x278, kStandIn);
        port.open();
        for (const std::uint8_t data : {1, 0, 128, 255, 0}) {
            port.Out32(888, data); // the engine's address; the backend keeps its own
        }
        EXPECT_EQ(port.status().health, PortHealth::Ok);
        EXPECT_EQ(port.status().backend, "inpout at 0x278 (dopplex_inpout_standin.dll)");
    }
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(read_all(log_), "632 1\n632 0\n632 128\n632 255\n632 0\n");
}

TEST_F(InpOut, UnusableLibraryIsReportedOnceAndRunsOnVirtual) {
    struct Row {
        const char* what;
        const char* library;
        bool driver_closed;
        std::vector<std::string> parts;
    };
    const Row rows[] = {
        {"missing",
         "dopplex_no_such_library.dll",
         false,
         {"dopplex_no_such_library.dll was not found", "install InpOut32", "as administrator"}},
        {"without Out32", kStandInWithoutOut32, false, {"has no function Out32", "install"}},
        {"driver not open", kStandIn, true, {"its driver is not open", "once as administrator"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        reports_.clear();
        SetEnvironmentVariableA("DOPPLEX_INPOUT_STANDIN_DRIVER",
                                row.driver_closed ? "closed" : nullptr);
        auto port = supervised(888, row.library);
        port.open();
        port.Out32(888, 3);
        port.Out32(888, 0);
        ASSERT_EQ(reports_.size(), 1U);
        EXPECT_THAT(reports_[0], HasSubstr("could not be opened"));
        EXPECT_THAT(reports_[0], HasSubstr("runs on the virtual port"));
        for (const std::string& part : row.parts) {
            EXPECT_THAT(reports_[0], HasSubstr(part));
        }
        EXPECT_EQ(port.status().health, PortHealth::Fallback);
        EXPECT_EQ(port.status().lines, std::optional<std::uint8_t>(0));
        EXPECT_FALSE(std::filesystem::exists(log_)) << "a write reached the library";
    }
}

TEST(WindowsPortSpec, KindsOfThisSystem) {
    struct Row {
        const char* text;
        std::optional<PortSpec> spec; // empty: refused
        const char* description_or_message;
    };
    const std::string library = inpout_library_name();
    const Row rows[] = {
        {"inpout", PortSpec{.kind = PortKind::InpOut}, "inpout at 0x378 (inpout"},
        {"inpout:0x278", PortSpec{.kind = PortKind::InpOut, .address = 0x278}, "inpout at 0x278"},
        {"inpout:956", PortSpec{.kind = PortKind::InpOut, .address = 956}, "inpout at 0x3BC"},
        {"trace:C:\\lines.log", PortSpec{.kind = PortKind::Trace, .path = "C:\\lines.log"},
         "trace to C:\\lines.log"},
        {"inpout:0", std::nullopt, "\"0\" is not an I/O port address, e.g. inpout:0x378"},
        {"inpout:0x10000", std::nullopt, "not an I/O port address"},
        {"inpout:lpt1", std::nullopt, "not an I/O port address"},
        {"ppdev", std::nullopt, "ppdev is only on Linux; on Windows use inpout"},
        {"gpio:gpiochip0:0,1,2,3,4,5,6,7", std::nullopt, "gpio is only on Linux"},
        {"lpt", std::nullopt, "unknown kind \"lpt\"; use inpout, trace or virtual"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        try {
            const PortSpec spec = parse_port_spec(row.text);
            ASSERT_TRUE(row.spec) << "accepted";
            EXPECT_EQ(spec, *row.spec);
            EXPECT_THAT(describe(spec), HasSubstr(row.description_or_message));
        } catch (const PortSpecError& error) {
            EXPECT_FALSE(row.spec) << error.what();
            EXPECT_THAT(error.what(), HasSubstr(row.description_or_message));
        }
    }
    EXPECT_EQ(default_port_spec(false), PortSpec{.kind = PortKind::InpOut});
    EXPECT_THAT(describe(PortSpec{.kind = PortKind::InpOut}), HasSubstr(library));
}

TEST(WindowsTrace, LinesEndInANewlineAlone) {
    const auto path = std::filesystem::temp_directory_path() / "dopplex-trace.log";
    std::filesystem::remove(path);
    {
        TracePort trace(path.string());
        trace.open();
        trace.write(888, 5);
        trace.write(888, 0);
    }
    const std::string text = read_all(path);
    std::filesystem::remove(path);
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
    EXPECT_THAT(text, ::testing::MatchesRegex(".* 0x378 5 00000101\n.* 0x378 0 00000000\n"));
}

} // namespace
} // namespace dopplex::port
