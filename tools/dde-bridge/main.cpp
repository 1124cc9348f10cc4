// dopplex-dde-bridge: the tracker link's DDE client as a console program, for Linux operators
// who run the tracker under Wine. Writes each text it receives as one line to standard output,
// flushed at once, and opens the conversation again whenever it ends or cannot be opened, until
// it is ended (Ctrl-C, the process killed, or standard output closed).
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "dopplex_version.h"
#include "link/dde/dde_transport.h"
#include "link/shared/event_queue.h"
#include "tracker/link/client_conversation.h"
#include "tracker/link/link_start_error.h"

namespace {

using namespace dopplex;

constexpr int kRetryMs = 1000;

const char* const kHelp = R"(Usage: dopplex-dde-bridge [SERVICE TOPIC]

Opens a DDE conversation with SERVICE and TOPIC (Orbitron Tracking), subscribes the item
TrackingDataEx and writes each text it receives as one line to standard output (control
characters as spaces), at once. When the conversation cannot be opened, the subscription is
refused or the tracker ends the conversation, it tries again every second. It never starts the
tracker. Ends with Ctrl-C or when standard output is closed.
)";

// The bridge never starts the tracker: the operator does, under Wine.
class NoLauncher : public Launcher {
public:
    int launch(const std::string&) override { return 0; }
};

bool write_line(const std::string& text) {
    const std::string line = text + '\n';
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
           std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string service = kTrackerService;
    std::string topic = kTrackerTopic;
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::cout << kHelp;
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << "dopplex-dde-bridge " << kVersion << '\n';
        return 0;
    }
    if (argc == 3) {
        service = argv[1];
        topic = argv[2];
    } else if (argc != 1) {
        std::cerr << "dopplex-dde-bridge: expected no arguments or SERVICE TOPIC (see --help)\n";
        return 2;
    }
    // Lines end in LF alone, for the Linux side.
    _setmode(_fileno(stdout), _O_BINARY);
    try {
        link::DdeTransport transport;
        NoLauncher launcher;
        link::EventQueue queue;
        ClientConversation conv(
            transport, launcher, [&queue](std::function<void()> f) { queue.post(std::move(f)); },
            [](const std::string& message) {
                std::cerr << "dopplex-dde-bridge: " << message << '\n';
            },
            service, topic);
        conv.ServiceApplication.clear();
        ClientItem item(kTrackerItem);
        bool output_closed = false;
        bool refused = false;
        item.OnChange = [&] {
            const std::string text = item.Text();
            if (text.empty()) {
                refused = true; // no conversation, or the subscription was refused
            } else if (!write_line(text)) {
                output_closed = true;
            }
        };
        conv.add_item(item);
        while (!output_closed) {
            if (!conv.connected()) {
                refused = false;
                const bool opened = conv.OpenConversation();
                if (opened && refused) {
                    conv.CloseConversation();
                }
                if (!conv.connected()) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
                    continue;
                }
            }
            queue.run_for(kRetryMs);
        }
        conv.CloseConversation();
        return 0;
    } catch (const LinkStartError& e) {
        std::cerr << "dopplex-dde-bridge: " << e.what() << '\n';
        return 1;
    }
}
