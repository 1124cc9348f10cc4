// The Windows tracker under Wine reaches a Linux window: dopplex-tracker.exe serves DDE,
// dopplex-dde-bridge.exe writes each text as a line, and dopplex-tracker --from-command serves
// those lines on the local link. Needs the cross-build and a running Wine session with a display
// (scripts/test-windows sets DOPPLEX_WINDOWS_BUILD); skipped without them.
#include <gmock/gmock.h>

#include <cstdlib>

#include "relay/hamlib/hamlib_tracker_fixture.h"

namespace dopplex {
namespace {

using ::testing::StartsWith;

class WineBridge : public test::HamlibTracker {};

TEST_F(WineBridge, TheWindowsTrackersTextsReachALinuxLinkClientAndFollowIt) {
    const char* windows_build = std::getenv("DOPPLEX_WINDOWS_BUILD");
    if (windows_build == nullptr) {
        GTEST_SKIP() << "DOPPLEX_WINDOWS_BUILD is not set (scripts/test-windows sets it)";
    }
    const std::string build = windows_build;
    pid_t windows_tracker = -1;
    spawn({"wine", build + "/tools/tracker/dopplex-tracker.exe", "--name", "BRIDGED", "--lead-in",
           "0", "--interval", "200"},
          windows_tracker, false);
    pid_t linux_tracker = -1;
    spawn({DOPPLEX_TRACKER_PATH, "--from-command",
           "exec wine " + build + "/tools/dde-bridge/dopplex-dde-bridge.exe"},
          linux_tracker, false);
    ASSERT_TRUE(test::eventually(
        [&] {
            const int fd = link::connect_unix(socket_);
            if (fd >= 0) {
                close(fd);
            }
            return fd >= 0;
        },
        std::chrono::seconds(60)))
        << "the Linux tracker never served";

    const std::string first = link_text_with({"SN\"BRIDGED\"", " EL"}, 60000);
    EXPECT_THAT(first, StartsWith("SN\"BRIDGED\" AZ"));
    // The pass goes on: later texts come through the whole chain.
    queue.pump_until([&] { return item.Text() != first; }, 30000);
    EXPECT_NE(item.Text(), first) << "no change came through in 30 s";
}

} // namespace
} // namespace dopplex
