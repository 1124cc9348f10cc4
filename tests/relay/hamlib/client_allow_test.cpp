// The allow list of a listener open to other machines: what `rig_allow` accepts, which clients
// it serves, and a refused client's answer and word to the journal.
#include <gtest/gtest.h>

#include "hamlib/client_allow.h"
#include "hamlib/line_listener.h"
#include "loopback_socket.h"

#include <unistd.h>

namespace dopplex::tracker {
namespace {

sockaddr_storage address(const char* text) {
    sockaddr_storage storage{};
    if (std::string(text).find(':') != std::string::npos) {
        auto& a6 = reinterpret_cast<sockaddr_in6&>(storage);
        a6.sin6_family = AF_INET6;
        EXPECT_EQ(inet_pton(AF_INET6, text, &a6.sin6_addr), 1) << text;
    } else {
        auto& a4 = reinterpret_cast<sockaddr_in&>(storage);
        a4.sin_family = AF_INET;
        EXPECT_EQ(inet_pton(AF_INET, text, &a4.sin_addr), 1) << text;
    }
    return storage;
}

TEST(ClientAllow, ServesTheListedAddressesAndNetworks) {
    const struct {
        const char* list;
        const char* client;
        bool served;
    } rows[] = {
        {"", "203.0.113.9", true},
        {"192.168.1.0/24, 10.0.0.5", "192.168.1.77", true},
        {"192.168.1.0/24, 10.0.0.5", "192.168.2.1", false},
        {"192.168.1.0/24, 10.0.0.5", "10.0.0.5", true},
        {"192.168.1.0/24, 10.0.0.5", "10.0.0.6", false},
        {"10.0.0.0/13", "10.7.255.255", true},
        {"10.0.0.0/13", "10.8.0.0", false},
        {"0.0.0.0/0", "198.51.100.1", true},
        {"192.168.1.0/24", "::ffff:192.168.1.4", true}, // an IPv4 client on an IPv6 socket
        {"192.168.1.0/24", "2001:db8::1", false},
        {"fd00::/8", "fd12::1", true},
        {"fd00::/8", "fe80::1", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(allowed(parse_allow_list("rig_allow", row.list), address(row.client)), row.served)
            << row.list << " / " << row.client;
    }
}

TEST(ClientAllow, RefusesWhatIsNoAddressOrNetwork) {
    for (const char* text : {"192.168.1.0/33", "192.168.1", "example.org", "10.0.0.1/", "::1/129",
                             "10.0.0.1,", "10.0.0.1/-1", "10.0.0.1/8x"}) {
        try {
            parse_allow_list("rig_allow", text);
            ADD_FAILURE() << text << " accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find("rig_allow: \""), std::string::npos)
                << error.what();
        }
    }
}

// A client outside the list reads Hamlib's "rejected" answer and the listener says who it was.
TEST(ClientAllow, ARefusedClientIsAnsweredAndTold) {
    std::vector<std::string> told;
    LineListener listener(
        {"127.0.0.1", 0, parse_allow_list("rig_allow", "192.168.1.0/24")},
        [] { return [](std::string_view) { return HamlibReply{kReplyOk}; }; }, false,
        [&told](const std::string& why) { told.push_back(why); });
    const int port = std::atoi(listener.address().c_str() + listener.address().rfind(':') + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = test::connect_loopback(port);
        ASSERT_GE(fd, 0);
        std::vector<pollfd> fds;
        listener.add_poll_fds(fds);
        ASSERT_EQ(poll(fds.data(), fds.size(), 5000), 1);
        listener.serve(fds);
        char answer[64] = "";
        const ssize_t n = read(fd, answer, sizeof answer - 1);
        EXPECT_EQ(std::string(answer, n > 0 ? static_cast<std::size_t>(n) : 0), kReplyRejected);
        EXPECT_EQ(read(fd, answer, sizeof answer), 0) << "not closed";
        close(fd);
    }
    ASSERT_EQ(told.size(), 1u) << "the same address twice in a minute is told once";
    EXPECT_EQ(told[0], listener.address() + " refused 127.0.0.1: not in its allow list");
}

} // namespace
} // namespace dopplex::tracker
