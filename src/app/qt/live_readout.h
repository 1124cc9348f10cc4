// The live tracker readout: the latest elevation, Doppler frequencies and time of the tracker's
// update, fed straight from the link on a conversation of its own (not through the engine's
// queue), so it goes on while the engine is blocked in a train. GUI thread; the watcher's
// thread only queues to it.
#pragma once

#include "gui_mailbox.h"
#include "link/shared/live_item.h"
#include "link/socket/socket_transport.h"

#include <QLabel>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace dopplex::app {

class LiveReadout final : public QLabel {
public:
    explicit LiveReadout(QWidget* parent = nullptr);
    ~LiveReadout() override;

    // Starts watching the tracker whose socket lies in `runtime_dir`.
    void watch(const std::string& runtime_dir);

private:
    // Only the latest text waits for the GUI thread, however fast the tracker sends.
    struct Latest {
        std::string bytes;
        std::int64_t received_utc_ms = 0;
    };
    GuiMailbox<std::optional<Latest>> latest_;
    std::unique_ptr<link::SocketTransport> transport_; // outlives the watcher
    std::unique_ptr<link::LiveItem> live_;
};

} // namespace dopplex::app
