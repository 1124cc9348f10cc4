// The page in a real browser: headless Chromium, driven over its DevTools pipe, loads the page
// of a running dopplexd during a pass, shows it, and a tap on "RX ▲" reaches the port.
#include "running_daemon.h"

#include <gmock/gmock.h>

namespace dopplex::test {
namespace {

constexpr int kRxUp = 0;

// Chromium with --remote-debugging-pipe: it reads DevTools messages on its fd 3 and writes on its
// fd 4, each a JSON text ended by a NUL.
class Browser {
public:
    explicit Browser(const std::string& profile) {
        int to[2], from[2];
        EXPECT_EQ(pipe2(to, O_CLOEXEC), 0);
        EXPECT_EQ(pipe2(from, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, to[0], 3);
        posix_spawn_file_actions_adddup2(&actions, from[1], 4);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_ = spawn({DOPPLEX_CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu",
                      "--disable-background-networking", "--disable-extensions", "--disable-sync",
                      "--no-first-run", "--no-default-browser-check", "--window-size=412,915",
                      "--user-data-dir=" + profile, "--remote-debugging-pipe", "about:blank"},
                     actions);
        close(to[0]);
        close(from[1]);
        to_ = to[1];
        from_ = from[0];
    }
    ~Browser() {
        close(to_);
        close(from_);
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

    // Sends one command and returns its answer ("" after 20 s without one).
    std::string call(const std::string& method, const std::string& params,
                     const std::string& session = {}) {
        const int id = ++last_id_;
        std::string message = "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method +
                              "\",\"params\":" + params +
                              (session.empty() ? "" : ",\"sessionId\":\"" + session + "\"") + "}";
        message.push_back('\0');
        if (write(to_, message.data(), message.size()) != static_cast<ssize_t>(message.size())) {
            return {};
        }
        const std::string mark = "{\"id\":" + std::to_string(id) + ",";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::size_t end = buffer_.find('\0');
            if (end != std::string::npos) {
                std::string answer = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (answer.rfind(mark, 0) == 0) {
                    return answer;
                }
                continue;
            }
            pollfd wait{from_, POLLIN, 0};
            char chunk[65536];
            ssize_t n = 0;
            if (poll(&wait, 1, 500) > 0 && (n = read(from_, chunk, sizeof chunk)) <= 0) {
                return {};
            }
            buffer_.append(chunk, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        return {};
    }

    // A page's JavaScript expression, as a string.
    std::string evaluate(const std::string& session, const std::string& expression) {
        const std::string answer =
            call("Runtime.evaluate", "{\"expression\":\"String(" + expression + ")\"}", session);
        return string_field(answer, "value");
    }

    static std::string string_field(const std::string& json, const std::string& name) {
        const std::string key = "\"" + name + "\":\"";
        const std::size_t at = json.find(key);
        if (at == std::string::npos) {
            return {};
        }
        std::string value;
        for (std::size_t i = at + key.size(); i < json.size() && json[i] != '"'; ++i) {
            value += json[i] == '\\' ? json[++i] : json[i];
        }
        return value;
    }

private:
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
    int last_id_ = 0;
    std::string buffer_;
};

// The daemon's page in a new tab; its DevTools session, empty when it did not open.
std::string open_page(Browser& browser, const RunningDaemon& daemon) {
    const std::string target = Browser::string_field(
        browser.call("Target.createTarget",
                     "{\"url\":\"http://127.0.0.1:" + std::to_string(daemon.page()) + "/\"}"),
        "targetId");
    EXPECT_FALSE(target.empty()) << "Chromium did not open the page";
    return Browser::string_field(
        browser.call("Target.attachToTarget", "{\"targetId\":\"" + target + "\",\"flatten\":true}"),
        "sessionId");
}

TEST(DopplexdPageInChromium, ShowsThePassAndATapOnRxUpReachesThePort) {
    RunningDaemon daemon("127.0.0.1");
    // On the nominal frequencies at AOS: both Tunes send nothing, so the only RX UP is the tap.
    RunningDaemon::tell(daemon.rig(), "F 145960000\n");
    RunningDaemon::tell(daemon.rig(), "I 435250000\n");
    ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));
    RunningDaemon::tell(daemon.rotator(), "P 131.5 23.4\n");
    ASSERT_TRUE(daemon.printed_eventually("AOS: AO-91"));

    ScratchDir profile;
    Browser browser(profile.path());
    const std::string session = open_page(browser, daemon);
    ASSERT_FALSE(session.empty());

    const std::string shown = "document.getElementById('pass').textContent + ' | ' + "
                              "document.getElementById('where').textContent + ' | ' + "
                              "document.getElementById('rx-doppler').textContent";
    std::string text;
    EXPECT_TRUE(eventually([&] {
        text = browser.evaluate(session, shown);
        return text.find("in pass") != std::string::npos;
    })) << text;
    EXPECT_THAT(text, testing::HasSubstr("AO-91"));
    EXPECT_THAT(text, testing::HasSubstr("elevation 23.4"));
    EXPECT_THAT(text, testing::HasSubstr("145.960000 MHz"));

    EXPECT_EQ(daemon.rises(kRxUp), 0);
    browser.evaluate(session, "document.getElementById('rx-up').click()");
    EXPECT_TRUE(eventually([&] { return daemon.rises(kRxUp) == 1; }, std::chrono::seconds(30)));
    EXPECT_TRUE(eventually([&] {
        return browser.evaluate(session, "document.getElementById('rx-offset').textContent") ==
               "100";
    }));
}

// A CAT side shows its radio and what its daemon does (here nothing listens on port 1).
TEST(DopplexdPageInChromium, ShowsACatSidesRadioAndStatus) {
    RunningDaemon daemon("127.0.0.1", "tracking = closed\nrx_radio = cat:127.0.0.1:1\n");
    RunningDaemon::tell(daemon.rig(), "F 145960000\n");
    RunningDaemon::tell(daemon.rig(), "I 435250000\n");
    ASSERT_TRUE(daemon.printed_eventually("transponder AO-91"));
    RunningDaemon::tell(daemon.rotator(), "P 131.5 23.4\n");
    ASSERT_TRUE(daemon.printed_eventually("no connection to 127.0.0.1:1"));

    ScratchDir profile;
    Browser browser(profile.path());
    const std::string session = open_page(browser, daemon);
    ASSERT_FALSE(session.empty());
    const auto shown = [&](const char* id) {
        return browser.evaluate(session,
                                std::string("document.getElementById('") + id + "').textContent");
    };
    EXPECT_TRUE(eventually([&] {
        return shown("rx-radio").starts_with("cat:127.0.0.1:1: no connection to 127.0.0.1:1: ");
    })) << shown("rx-radio");
    EXPECT_EQ(shown("tx-radio"), "");
}

} // namespace
} // namespace dopplex::test
