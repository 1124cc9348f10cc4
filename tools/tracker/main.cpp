// dopplex-tracker: plays the satellite tracker's part over the local link, so Dopplex runs here
// without the real tracker, or passes on what a Hamlib client such as Gpredict commands. Serves
// service "Orbitron", topic "Tracking", item "TrackingDataEx".
#include <iostream>
#include <memory>

#include "options.h"
#include "sources/generated_source.h"
#include "sources/replay_source.h"
#include "stop_signal.h"
#include "tracker_server.h"
#ifndef _WIN32
#include "sources/command_source.h"
#include "sources/hamlib_source.h"
#endif

namespace {

using namespace dopplex;
using namespace dopplex::tracker;

std::unique_ptr<TrackingSource> make_source(const Options& o) {
    if (o.hamlib) {
#ifdef _WIN32
        throw std::invalid_argument("--hamlib: the Windows build has no Hamlib listeners");
#else
        auto source = std::make_unique<HamlibSource>(o.hamlib_options);
        for (const std::string& line : source->listening()) {
            std::cout << "dopplex-tracker: Hamlib " << line << std::endl;
        }
        for (const std::string& line : source->exposed()) {
            std::cerr << "dopplex-tracker: warning: the " << line
                      << " is open to other machines: anyone who reaches it can move the radio\n";
        }
        return source;
#endif
    }
    if (!o.from_command.empty()) {
#ifdef _WIN32
        throw std::invalid_argument("--from-command: the Windows build serves DDE itself");
#else
        return std::make_unique<CommandSource>(o.from_command, std::cerr);
#endif
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
        StopSignal stop;
        const std::unique_ptr<TrackerServer> server = make_tracker_server(options.link);
        server->set_item(kTrackerItem, source->first_text());
        server->start();
        source->run([&server](const std::string& text) { server->set_item(kTrackerItem, text); },
                    stop);
        server->stop();
        return source->exit_code();
    } catch (const std::exception& e) {
        std::cerr << "dopplex-tracker: " << e.what() << '\n';
        return 1;
    }
}
