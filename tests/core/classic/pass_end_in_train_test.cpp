// The end of a pass that Gpredict signals while a long Tune train holds the window: the link
// fetches the text only after the train, so the tracker must still serve it then.
#include "engine_rig.h"
#include "hamlib/station_text.h"
#include "tracker/link/client_conversation.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dopplex::test {
namespace {

using Kind = tracker::HamlibEvent::Kind;

// The link as the window sees it: a change notice per command, and a fetch of what the tracker
// serves at the moment the engine gets to it.
class StationLink : public LinkTransport, public Launcher {
public:
    explicit StationLink(tracker::StationText& station) : station_(station) {}
    void set_listener(LinkListener* listener) override { listener_ = listener; }
    bool connect(const std::string&, const std::string&) override { return true; }
    bool connected() const override { return true; }
    bool subscribe(const std::string&, int) override { return true; }
    std::optional<std::string> request(const std::string&, int) override { return station_.text(); }
    void disconnect() override {}
    void interrupt() override {}
    int launch(const std::string&) override { return 0; }

    void command(const tracker::HamlibEvent& event) {
        station_.apply(event, false);
        listener_->change_notice(kTrackerItem);
    }

private:
    tracker::StationText& station_;
    LinkListener* listener_ = nullptr;
};

TEST(PassEndInTrain, LosDuringATuneTrainEndsThePassRightAfterIt) {
    Rig rig;
    tracker::StationText station("AO-91");
    StationLink link(station);
    ClientConversation conversation(
        link, link, [&](std::function<void()> f) { rig.loop.post(EventKind::Link, std::move(f)); },
        [](const std::string&) {});
    conversation.add_item(rig.form.TrackingDataEx);
    station.apply({Kind::Split, static_cast<double>(kTxRefHz)}, false);
    station.apply({Kind::Position, 180.0, 30.0}, false);
    station.apply({Kind::Main, static_cast<double>(kRxRefHz + 10000)}, false);
    rig.loop.post(
        EventKind::Input, [&] { conversation.OpenConversation(); }, 500);

    // Gpredict sets the downlink every second and signals LOS in the middle of the train (a
    // probe runs in the train's waits, as the tracker does on its own).
    for (std::int64_t t = 3000; t <= 40000; t += 1000) {
        rig.host.probe_at(t, [&link, t] {
            if (t == 20000) {
                link.command({Kind::Los});
            }
            link.command({Kind::Main, static_cast<double>(kRxRefHz + 10000 - t / 100)});
        });
    }
    const Span& tune = rig.click(2000, "Button1");
    rig.run(60000);

    ASSERT_EQ(tune.start, 2000);
    ASSERT_EQ(rig.rises(kRxUpBit, 2000, tune.end).size(), 100u);
    EXPECT_EQ(rig.form.Edit9.text(), "-2.0");
    EXPECT_TRUE(rig.form.Button22.enabled()) << "Reset RX";
    EXPECT_FALSE(rig.form.timer_running(TFMain::Timer2));
    // The pass ends at the end of the chain, in the first update it lets through.
    const std::vector<PortWrite> after = rig.writes(tune.end);
    const auto ended = std::find_if(after.begin(), after.end(), [](const PortWrite& w) {
        return (w.value & (kRxTunedBit | kGreenBit)) == 0;
    });
    ASSERT_NE(ended, after.end());
    EXPECT_EQ(ended->t, tune.end);
    EXPECT_EQ(rig.port.writes().back().value, 0);
    conversation.CloseConversation();
}

} // namespace
} // namespace dopplex::test
