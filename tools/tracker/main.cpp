// dopplex-tracker: plays the satellite tracker's part over the local link, so Dopplex runs here
// without the real tracker, or passes on what a Hamlib client such as Gpredict commands. Serves
// service "Orbitron", topic "Tracking", item "TrackingDataEx".
#include <csignal>
#include <iostream>
#include <memory>
#include <sys/signalfd.h>
#include <unistd.h>

#include "command_source.h"
#include "generated_source.h"
#include "link/link_server.h"
#include "link/runtime_dir.h"
#include "options.h"
#include "replay_source.h"
#include "tracker/link/client_conversation.h"

namespace {

using namespace dopplex;
using namespace dopplex::tracker;

std::unique_ptr<TrackingSource> make_source(const Options& o) {
    if (o.hamlib) {
        auto source = std::make_unique<HamlibSource>(o.hamlib_options);
        for (const std::string& line : source->listening()) {
            std::cout << "dopplex-tracker: Hamlib " << line << std::endl;
        }
        for (const std::string& line : source->exposed()) {
            std::cerr << "dopplex-tracker: warning: the " << line
                      << " is open to other machines: anyone who reaches it can move the radio\n";
        }
        return source;
    }
    if (!o.from_command.empty()) {
        return std::make_unique<CommandSource>(o.from_command, std::cerr);
    }
    if (!o.replay.empty()) {
        return replay_source(o.replay, o.time_factor);
    }
    return generated_source(o.satellite, o.schedule, o.time_factor);
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse_options(argc, argv);
        std::unique_ptr<TrackingSource> source = make_source(options);
        if (options.print) {
            write_recording(std::cout, static_cast<PlayedSource&>(*source).updates());
            return 0;
        }
        // Signals reach the source through a descriptor, never the server's thread.
        sigset_t stop_signals;
        sigemptyset(&stop_signals);
        sigaddset(&stop_signals, SIGTERM);
        sigaddset(&stop_signals, SIGINT);
        pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
        std::signal(SIGPIPE, SIG_IGN);
        const int stop_fd = signalfd(-1, &stop_signals, SFD_CLOEXEC);
        if (stop_fd < 0) {
            throw std::runtime_error("cannot wait for signals");
        }

        const link::RuntimeDir dir = link::runtime_dir();
        for (const std::string& line : link::runtime_dir_notice(dir)) {
            std::cerr << "dopplex-tracker: " << line << '\n';
        }
        link::LinkServer server(link::socket_path(dir.path, kTrackerService, kTrackerTopic),
                                kTrackerService, kTrackerTopic, options.link);
        server.set_item(kTrackerItem, source->first_text());
        server.start();
        source->run([&server](const std::string& text) { server.set_item(kTrackerItem, text); },
                    stop_fd);
        server.stop();
        close(stop_fd);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "dopplex-tracker: " << e.what() << '\n';
        return 1;
    }
}
