// A client conversation for the link transports' tests that writes its events down as
// "OnOpen", "OnClose", "OnChange <text>" and "report <message>", with notices run through queue.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "event_queue.h"
#include "tracker/link/client_conversation.h"

namespace dopplex::test {

inline std::unique_ptr<ClientConversation> logged_conversation(LinkTransport& transport,
                                                               Launcher& launcher,
                                                               EventQueue& queue, ClientItem& item,
                                                               std::vector<std::string>& events) {
    auto conv = std::make_unique<ClientConversation>(
        transport, launcher, [&queue](std::function<void()> f) { queue.post(std::move(f)); },
        [&events](const std::string& m) { events.push_back("report " + m); });
    conv->OnOpen = [&events] { events.push_back("OnOpen"); };
    conv->OnClose = [&events] { events.push_back("OnClose"); };
    item.OnChange = [&events, &item] { events.push_back("OnChange " + item.Text()); };
    conv->add_item(item);
    return conv;
}

} // namespace dopplex::test
