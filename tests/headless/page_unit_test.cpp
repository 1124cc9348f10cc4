// The page's parts on their own: which Host headers name the page, and what /status says of
// each side's radio.
#include "page_access.h"
#include "status_page.h"

#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace dopplex::headless {
namespace {

using testing::HasSubstr;

TEST(PageHost, OnlyItsOwnNamesWithARealPort) {
    sockaddr_storage ours{};
    auto& v4 = reinterpret_cast<sockaddr_in&>(ours);
    v4.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.1", &v4.sin_addr);
    const struct {
        const char* host;
        bool allowed;
    } rows[] = {
        {"127.0.0.1:8073", true},  {"127.0.0.1", true},         {"127.0.0.1:1", true},
        {"127.0.0.1:65535", true}, {"127.0.0.1:99999", false},  {"127.0.0.1:65536", false},
        {"127.0.0.1:0", false},    {"127.0.0.1:123456", false}, {"127.0.0.1:+80", false},
        {"127.0.0.1:8o73", false}, {"localhost:99999", false},  {"shack.local:8073", true},
        {"[::1]:70000", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(host_allowed(row.host, ours, {"shack.local"}), row.allowed) << row.host;
    }
}

TEST(PageStatus, EachSideSaysItsRadioAndACatSidesStatusAndKnob) {
    StationView view;
    view.radio = {"cat:127.0.0.1:4532", "buttons"};
    view.cat_status = {"no answer from \"127.0.0.1:4532\" <b>", ""};
    view.knob_hz = {1000, std::nullopt};
    const std::string json = status_json(view, {});
    EXPECT_THAT(json, HasSubstr("\"radio\":\"cat:127.0.0.1:4532\",\"cat_status\":\"no answer "
                                "from \\\"127.0.0.1:4532\\\" <b>\",\"knob_hz\":1000}"));
    EXPECT_THAT(json, HasSubstr("\"radio\":\"buttons\",\"cat_status\":\"\",\"knob_hz\":null}"));
}

} // namespace
} // namespace dopplex::headless
