// The answers of the Hamlib rig and rotator listeners, line by line on one instance so that
// what a line sets is what the next reads, and the tracking text built from what they report.
#include <gtest/gtest.h>

#include "hamlib/hamlib_rig.h"
#include "hamlib/hamlib_rotator.h"
#include "hamlib/line_listener.h"
#include "hamlib/peer_owner.h"
#include "hamlib/station_text.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dopplex::tracker {
namespace {

using Kind = HamlibEvent::Kind;

struct Exchange {
    std::string line;
    std::string answer;
    std::optional<Kind> event = {};
    double first = 0.0;
    bool close = false;
};

template <class Commands> void check(Commands& commands, const std::vector<Exchange>& script) {
    for (const Exchange& e : script) {
        const HamlibReply reply = commands.answer(e.line);
        EXPECT_EQ(reply.text, e.answer) << e.line;
        EXPECT_EQ(reply.close, e.close) << e.line;
        ASSERT_EQ(reply.event.has_value(), e.event.has_value()) << e.line;
        if (e.event) {
            EXPECT_EQ(reply.event->kind, *e.event) << e.line;
            EXPECT_DOUBLE_EQ(reply.event->first, e.first) << e.line;
        }
    }
}

const std::string ok = "RPRT 0\n";
const std::string bad = "RPRT -1\n";
const std::string refused = "RPRT -11\n";

TEST(HamlibRig, AnswersEachLine) {
    RigCommands rig;
    check(rig, {
                   {"f", "0\n"},
                   {"F  145887193", ok, Kind::Main, 145887193},
                   {"f", "145887193\n"},
                   {"F 145800000.000000\r", ok, Kind::Main, 145800000},
                   {"f", "145800000\n"},
                   {"F 145800000.5", ok, Kind::Main, 145800000.5},
                   {"F abc", bad},
                   {"F", bad},
                   {"F -145800000", bad},
                   {"F 1.458e8", bad},
                   // Only the range \dump_state advertises, 100 kHz to 10 GHz.
                   {"F 0.4", bad},
                   {"F 99999.9", bad},
                   {"F 10000000000.1", bad},
                   {"I 20000000000", bad},
                   {"F 100000", ok, Kind::Main, 100000},
                   {"F 10000000000", ok, Kind::Main, 10000000000},
                   {"F 145800000.5", ok, Kind::Main, 145800000.5},
                   {"F 145800000 VFOA", bad},
                   {"f", "145800000.5\n"},
                   {"I 435000000", ok, Kind::Split, 435000000},
                   {"\\get_split_freq", "435000000\n"},
                   {"\\set_freq 145900000", ok, Kind::Main, 145900000},
                   {"get_freq", "145900000\n"},
                   {"S 1 VFOB", ok},
                   {"S 1 145", ok},
                   {"s", "0\nVFOA\n"},
                   {"t", "0\n"},
                   {"\\chk_vfo", "0\n"},
                   {"AOS", ok, Kind::Aos},
                   {"LOS", ok, Kind::Los},
                   {"V VFOA", ok},
                   {"v", refused},
                   {"\\get_powerstat", refused},
                   {"+f", refused},
                   {";\\get_freq", refused},
                   {"T 1", refused},
                   {"\x8b", refused},
                   {std::string("\0\xff", 2), refused},
                   {"", refused},
                   {"q", "", {}, 0, true},
               });
}

// A stray client's set must not reach the tracker's readback, or the tracker takes it for the
// operator's knob and follows it; a client that has set nothing reads the last set.
TEST(HamlibRig, EachClientReadsBackItsOwnSet) {
    const RigCommands listener;
    RigCommands tracker = listener;
    RigCommands stray = listener;
    check(tracker, {{"F 437800000", ok, Kind::Main, 437800000},
                    {"I 145990000", ok, Kind::Split, 145990000}});
    check(stray,
          {{"F 446556000", ok, Kind::Main, 446556000}, {"f", "446556000\n"}, {"i", "145990000\n"}});
    check(tracker, {{"f", "437800000\n"}, {"i", "145990000\n"}});
    RigCommands monitor = listener;
    check(monitor, {{"f", "446556000\n"}, {"i", "145990000\n"}});
}

TEST(HamlibRotator, AnswersEachLine) {
    RotatorCommands rotator;
    check(rotator, {
                       {"p", "0.000000\n0.000000\n"},
                       {"P 180.00 45.00", ok, Kind::Position, 180},
                       {"p", "180.000000\n45.000000\n"},
                       {"P -170 10", ok, Kind::Position, -170},
                       {"P 180", bad},
                       {"P x 10", bad},
                       {"P 180 95", bad},
                       {"\\get_pos", "-170.000000\n10.000000\n"},
                       {"S", ok},
                       {"K", ok},
                       {"_", "Dopplex\n"},
                       {"M 2 5", refused},
                       {"\\quit", "", {}, 0, true},
                   });
}

// Every name of a command answers as its one-letter name does, on a listener of its own.
template <class Commands>
void check_same(const std::vector<std::pair<std::string, std::string>>& rows) {
    for (const auto& [name, letter] : rows) {
        Commands by_name;
        Commands by_letter;
        const HamlibReply named = by_name.answer(name);
        const HamlibReply lettered = by_letter.answer(letter);
        EXPECT_NE(named.text, refused) << name;
        EXPECT_EQ(named.text, lettered.text) << name;
        EXPECT_EQ(named.close, lettered.close) << name;
        ASSERT_EQ(named.event.has_value(), lettered.event.has_value()) << name;
        if (named.event) {
            EXPECT_EQ(named.event->kind, lettered.event->kind) << name;
            EXPECT_DOUBLE_EQ(named.event->first, lettered.event->first) << name;
        }
    }
}

TEST(HamlibCommandNames, AnswerAsTheLetter) {
    check_same<RigCommands>({
        {"\\set_freq 145800000", "F 145800000"},
        {"\\set_split_freq 435000000", "I 435000000"},
        {"\\get_freq", "f"},
        {"\\get_split_freq", "i"},
        {"\\set_split_vfo 1 VFOB", "S 1 VFOB"},
        {"\\get_split_vfo", "s"},
        {"\\set_vfo VFOB", "V VFOB"},
        {"\\get_ptt", "t"},
        {"\\chk_vfo", "t"},
        {"Q", "q"},
        {"\\quit", "q"},
    });
    check_same<RotatorCommands>({
        {"\\set_pos 180 45", "P 180 45"},
        {"\\get_pos", "p"},
        {"\\stop", "S"},
        {"\\park", "K"},
        {"\\get_info", "_"},
        {"Q", "q"},
        {"\\quit", "q"},
    });
}

struct Moment {
    HamlibEvent event;
    bool uplink_rig = false;
};

TEST(StationText, FromWhatTheTrackerCommands) {
    const auto main = [](double hz) { return Moment{{Kind::Main, hz}}; };
    const auto split = [](double hz) { return Moment{{Kind::Split, hz}}; };
    const auto uplink_rig = [](double hz) { return Moment{{Kind::Main, hz}, true}; };
    const auto position = [](double az, double el) { return Moment{{Kind::Position, az, el}}; };
    const Moment aos{{Kind::Aos}};
    const Moment los{{Kind::Los}};
    const struct {
        std::vector<Moment> moments;
        std::string text;
    } cases[] = {
        {{}, "SN\"ISS\""},
        {{main(145800000), split(435000000), position(180, 45)},
         "SN\"ISS\" AZ180.0 EL45.0 DN145800000 UP435000000"},
        {{main(145800000.6), uplink_rig(435000000.4)}, "SN\"ISS\" DN145800001 UP435000000"},
        {{position(-170, 10)}, "SN\"ISS\" AZ190.0 EL10.0"},
        {{position(359.96, 10)}, "SN\"ISS\" AZ0.0 EL10.0"},
        // AOS reads above the horizon until the rotator is, whatever it was parked at.
        {{aos, main(145800000)}, "SN\"ISS\" EL0.1 DN145800000"},
        {{position(200, 0), aos}, "SN\"ISS\" AZ200.0 EL0.1"},
        {{position(200, 0), aos, position(201, 0), position(202, 0.04)}, "SN\"ISS\" AZ202.0 EL0.1"},
        {{position(200, 0), aos, position(203, 10.3)}, "SN\"ISS\" AZ203.0 EL10.3"},
        {{aos, position(203, 10.3), position(204, 0)}, "SN\"ISS\" AZ204.0 EL0.0"},
        // LOS reads below the horizon until the next AOS or a position above it.
        {{aos, los, main(145801000)}, "SN\"ISS\" EL-2.0 DN145801000"},
        {{position(200, 1), los, position(210, 0), main(145801000)},
         "SN\"ISS\" AZ210.0 EL-2.0 DN145801000"},
        {{position(200, 1), los, position(210, 3)}, "SN\"ISS\" AZ210.0 EL3.0"},
        {{position(200, 1), los, aos}, "SN\"ISS\" AZ200.0 EL0.1"},
        {{position(200, 1), los, aos, los}, "SN\"ISS\" AZ200.0 EL-2.0"},
    };
    for (const auto& c : cases) {
        StationText station("ISS");
        for (const Moment& m : c.moments) {
            station.apply(m.event, m.uplink_rig);
        }
        EXPECT_EQ(station.text(), c.text) << c.text;
    }
}

TEST(LineListener, LoopbackIsOnlyThisMachine) {
    const struct {
        const char* host;
        bool loopback;
    } rows[] = {{"127.0.0.1", true},        {"127.0.0.2", true}, {"::1", true},
                {"::ffff:127.0.0.1", true}, {"0.0.0.0", false},  {"::", false}};
    for (const auto& row : rows) {
        const LineListener listener(
            {row.host, 0}, [] { return [](std::string_view) { return HamlibReply{""}; }; });
        EXPECT_EQ(listener.loopback(), row.loopback) << row.host;
    }
}

TEST(PeerOwner, ReadsTheOwnerOfTheRowWithThatLocalAddress) {
    const std::string table =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
        "   0: 0100007F:11B4 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0 0\n"
        "   1: 0100007F:9C40 0100007F:11B4 01 00000000:00000000 00:00000000 00000000 65534 0\n"
        "   2: 0100007F:9C41 0100007F:11B4 06 00000000:00000000 00:00000000 00000000     0 0\n"
        "   3: 0100007F:9C41 0100007F:11B4 01 00000000:00000000 00:00000000 00000000  1000 0\n";
    const struct {
        const char* local;
        const char* remote;
        std::optional<uid_t> owner;
    } rows[] = {
        {"0100007F:9C40", "0100007F:11B4", 65534},
        {"0100007F:9C40", "0100007F:11B5", std::nullopt}, // another connection
        {"0100007F:9C41", "0100007F:11B4", 1000},         // TIME_WAIT's 0 is nobody's
        {"0100007F:9C42", "0100007F:11B4", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(socket_owner(table, row.local, row.remote), row.owner) << row.local;
    }
}

// A live connection of this process, over each kind of loopback address: its owner is this user.
TEST(PeerOwner, FindsTheOwnerOfALiveConnection) {
    for (const char* host : {"127.0.0.1", "::1", "::ffff:127.0.0.1"}) {
        sockaddr_storage at{};
        auto& a6 = reinterpret_cast<sockaddr_in6&>(at);
        auto& a4 = reinterpret_cast<sockaddr_in&>(at);
        const bool v6 = inet_pton(AF_INET6, host, &a6.sin6_addr) == 1;
        at.ss_family = v6 ? AF_INET6 : AF_INET;
        ASSERT_TRUE(v6 || inet_pton(AF_INET, host, &a4.sin_addr) == 1) << host;
        const socklen_t size = v6 ? sizeof a6 : sizeof a4;
        const int listener = socket(at.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        socklen_t bound = size;
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), size), 0) << host;
        ASSERT_EQ(listen(listener, 1), 0);
        getsockname(listener, reinterpret_cast<sockaddr*>(&at), &bound);
        const int client = socket(at.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&at), size), 0) << host;
        sockaddr_storage peer{}, ours{};
        socklen_t peer_size = sizeof peer, ours_size = sizeof ours;
        const int accepted = accept(listener, reinterpret_cast<sockaddr*>(&peer), &peer_size);
        getsockname(accepted, reinterpret_cast<sockaddr*>(&ours), &ours_size);
        EXPECT_EQ(local_peer_owner(peer, ours), getuid()) << host;
        // The accepted end is ours too, but it is no client's socket.
        EXPECT_EQ(local_peer_owner(ours, ours), std::nullopt) << host;
        for (const int fd : {accepted, client, listener}) {
            close(fd);
        }
    }
}

} // namespace
} // namespace dopplex::tracker
