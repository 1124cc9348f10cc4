// The live feed on the socket link: its own conversation with the tracker whose socket lies in
// a runtime folder (link/shared/live_item.h). Window thread.
#pragma once

#include "link/shared/live_item.h"
#include "link/socket/socket_transport.h"
#include "live_feed.h"

#include <memory>
#include <string>

namespace dopplex::app {

class SocketLiveFeed final : public LiveFeed {
public:
    explicit SocketLiveFeed(const std::string& runtime_dir) : transport_(runtime_dir) {}
    ~SocketLiveFeed() override { live_.reset(); } // joins the watcher before the transport goes
    void listen(Deliver deliver) override;

private:
    link::SocketTransport transport_;
    std::unique_ptr<link::LiveItem> live_;
};

} // namespace dopplex::app
