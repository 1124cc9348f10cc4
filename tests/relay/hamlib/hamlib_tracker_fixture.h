// dopplex-tracker --hamlib in a private runtime folder, its listeners on free ports (read from
// what it prints), outside programs run with a time limit, and the core's link client reading
// the text it serves.
#pragma once

#include <fcntl.h>
#include <map>
#include <poll.h>

#include "launcher/process_launcher.h"
#include "link/socket/socket_transport.h"
#include "platform/link/socket/runtime_fixture.h"

namespace dopplex::test {

class HamlibTracker : public RuntimeDirTest {
protected:
    // Children get SIGTERM first, so Xvfb removes its lock and socket; the rest are killed.
    void TearDown() override {
        conversation.reset();
        for (pid_t pid : children_) {
            kill(pid, SIGTERM);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!children_.empty() && std::chrono::steady_clock::now() < deadline) {
            std::erase_if(children_, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        RuntimeDirTest::TearDown();
    }

    // Spawns argv with its output in a pipe (or discarded); the pid joins the children killed
    // at the end. Returns the pipe's reading end, or -1.
    int spawn(std::vector<std::string> argv, pid_t& pid, bool capture = true) {
        int out[2] = {-1, -1};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (capture) {
            EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
            posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        }
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<char*> words;
        for (std::string& w : argv) {
            words.push_back(w.data());
        }
        words.push_back(nullptr);
        const int spawned = posix_spawnp(&pid, words[0], &actions, nullptr, words.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (capture) {
            close(out[1]);
        }
        EXPECT_EQ(spawned, 0) << argv[0];
        children_.push_back(pid);
        return out[0];
    }

    // Reads fd until `done` holds for what came, the writer closes or the time passes.
    static std::string read_until(int fd, int timeout_ms,
                                  const std::function<bool(const std::string&)>& done) {
        std::string text;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!done(text)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char chunk[4096];
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return text;
    }

    // Starts dopplex-tracker --hamlib on free ports and learns them ("rig", "rotator", ...).
    void start_hamlib(std::vector<std::string> options) {
        options.insert(options.begin(), {DOPPLEX_TRACKER_PATH, "--hamlib", "--rig", "127.0.0.1:0",
                                         "--rotator", "127.0.0.1:0"});
        const int out = spawn(options, tracker_pid);
        const std::string printed = read_until(
            out, 5000, [](const std::string& t) { return t.find("rotator ") != t.npos; });
        close(out);
        const std::string marker = "dopplex-tracker: Hamlib ";
        for (std::size_t at = printed.find(marker); at != printed.npos;
             at = printed.find(marker, at + 1)) {
            const std::string line =
                printed.substr(at + marker.size(), printed.find('\n', at) - at - marker.size());
            const std::size_t space = line.rfind(' ');
            address[line.substr(0, space)] = line.substr(space + 1);
        }
        ASSERT_EQ(address.count("rotator"), 1u) << printed;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        for (int fd = -1; fd < 0 && std::chrono::steady_clock::now() < deadline;) {
            fd = link::connect_unix(socket_);
            if (fd >= 0) {
                close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ADD_FAILURE() << "the link did not start";
    }

    // Runs a program to its end within the time and returns what it printed.
    std::string run(const std::vector<std::string>& argv, int timeout_ms = 10000) {
        pid_t pid = -1;
        const int out = spawn(argv, pid);
        const std::string text =
            read_until(out, timeout_ms, [](const std::string&) { return false; });
        close(out);
        int status = 0;
        kill(pid, SIGKILL); // it has closed its output: it is done or hung
        waitpid(pid, &status, 0);
        std::erase(children_, pid);
        return text;
    }

    // Opens the link the way the window does and waits for a text holding every part.
    std::string link_text_with(const std::vector<std::string>& parts, int timeout_ms = 5000) {
        if (!conversation) {
            transport = std::make_unique<link::SocketTransport>(dir_);
            launcher = std::make_unique<launch::ProcessLauncher>(socket_, std::chrono::seconds(3));
            conversation = std::make_unique<ClientConversation>(
                *transport, *launcher,
                [this](std::function<void()> f) { queue.post(std::move(f)); },
                [](const std::string&) {});
            conversation->ServiceApplication = "/nonexistent/tracker";
            conversation->add_item(item);
            EXPECT_TRUE(conversation->OpenConversation());
        }
        const auto has_all = [&] {
            for (const std::string& part : parts) {
                if (item.Text().find(part) == std::string::npos) {
                    return false;
                }
            }
            return true;
        };
        queue.pump_until(has_all, timeout_ms);
        return item.Text();
    }

    pid_t tracker_pid = -1;
    std::map<std::string, std::string> address;
    EventQueue queue;
    std::unique_ptr<link::SocketTransport> transport;
    std::unique_ptr<launch::ProcessLauncher> launcher;
    ClientItem item{kTrackerItem};
    std::unique_ptr<ClientConversation> conversation;
};

} // namespace dopplex::test
