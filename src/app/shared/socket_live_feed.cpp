#include "socket_live_feed.h"

#include "tracker/link/client_conversation.h"

namespace dopplex::app {

void SocketLiveFeed::listen(Deliver deliver) {
    live_.reset();
    if (deliver) {
        live_ = std::make_unique<link::LiveItem>(transport_, kTrackerService, kTrackerTopic,
                                                 kTrackerItem, std::move(deliver));
    }
}

} // namespace dopplex::app
