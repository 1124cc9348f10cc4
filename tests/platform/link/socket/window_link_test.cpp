// The window over the real link: TFMain on its own engine thread with the real host, the socket
// transport and dopplex-tracker processes, as the application runs it.
#include <gtest/gtest.h>

#include <future>

#include "classic/tfmain.h"
#include "keying/recording_port.h"
#include "launcher/process_launcher.h"
#include "link/socket/socket_transport.h"
#include "platform/link/socket/runtime_fixture.h"
#include "runtime/real_host.h"
#include "settings/file_settings_store.h"

namespace dopplex {
namespace {

using test::eventually;

class WindowLink : public test::RuntimeDirTest {
protected:
    void SetUp() override {
        RuntimeDirTest::SetUp();
        transport = std::make_unique<link::SocketTransport>(dir_);
        launcher = std::make_unique<launch::ProcessLauncher>(socket_, test::kPatience);
        settings = std::make_unique<settings::FileSettingsStore>(dir_ + "/registry");
        form = std::make_unique<TFMain>(loop, port);
        form->attach_link(LinkServices{*transport, *launcher, *settings,
                                       [](const std::string&) { return false; },
                                       [](const std::string&) {}, dir_ + "/dopplex", '/'});
    }
    void TearDown() override {
        loop.quit();
        if (engine.joinable()) {
            engine.join();
        }
        form.reset();
        RuntimeDirTest::TearDown();
    }
    void start_engine() {
        engine = std::thread([this] {
            loop.guarded([this] { form->FormCreate(); });
            loop.run();
        });
    }
    // Reads the model on the engine thread, as the window does through its observer.
    std::string text_of(Control TFMain::*control) {
        auto answer = std::make_shared<std::promise<std::string>>();
        auto result = answer->get_future();
        loop.post(EventKind::Control,
                  [this, control, answer] { answer->set_value(((*form).*control).text()); });
        return result.get();
    }

    RealHost host;
    EventLoop loop{host};
    RecordingPort port{host};
    std::unique_ptr<link::SocketTransport> transport;
    std::unique_ptr<launch::ProcessLauncher> launcher;
    std::unique_ptr<settings::FileSettingsStore> settings;
    std::unique_ptr<TFMain> form;
    std::thread engine;
};

const std::vector<std::string> kFast = {"--interval", "50", "--lead-in", "5"};

TEST_F(WindowLink, OpensShowsDataClosesWhenTheTrackerQuitsAndReopensOnAClick) {
    const pid_t tracker = start_tracker(kFast);
    start_engine();
    EXPECT_TRUE(eventually([&] { return text_of(&TFMain::l_dd) == "Opened"; }));
    EXPECT_TRUE(eventually([&] { return text_of(&TFMain::l_na) == "AO-51"; }));
    EXPECT_EQ(text_of(&TFMain::l_st).rfind("SN\"AO-51\" AZ", 0), 0u);

    stop_tracker(tracker);
    EXPECT_TRUE(eventually([&] { return text_of(&TFMain::l_dd) == "Closed"; }));
    EXPECT_EQ(text_of(&TFMain::l_st), "No data");
    EXPECT_EQ(text_of(&TFMain::l_na), "");
    EXPECT_EQ(text_of(&TFMain::l_aos), "None");
    EXPECT_EQ(text_of(&TFMain::Edit2), "0.00000");

    start_tracker(kFast);
    loop.post(EventKind::Input, [this] { form->Click("l_dd"); });
    EXPECT_TRUE(eventually([&] { return text_of(&TFMain::l_dd) == "Opened"; }));
    EXPECT_TRUE(eventually([&] { return text_of(&TFMain::l_na) == "AO-51"; }));
}

TEST_F(WindowLink, NoTrackerAndNothingToLaunchLeavesClosedWithNoData) {
    start_engine();
    // "orbitron" is neither in the program folder nor on the path here.
    EXPECT_TRUE(eventually([&] { return text_of(&TFMain::l_st) == "No data"; }));
    EXPECT_EQ(text_of(&TFMain::l_dd), "Closed");
}

} // namespace
} // namespace dopplex
