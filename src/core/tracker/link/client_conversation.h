// The client conversation with the tracker (the window's `Tracking`): owns the open/closed state,
// the launch-and-retry of OpenConversation, the subscribed items and the handling of the
// transport's notices. Called on the engine thread; transport notices (any thread) are posted
// to the engine's queue through `post` and handled when that closure runs. Change notices that
// arrive while one is still queued merge into it, since the fetch reads the latest text. Raises
// OnOpen, OnClose and the items' OnChange on the engine thread; reports a refused command line.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tracker/link/client_item.h"
#include "tracker/link/launcher.h"
#include "tracker/link/link_transport.h"

namespace dopplex {

inline constexpr const char* kTrackerService = "Orbitron";
inline constexpr const char* kTrackerTopic = "Tracking";
inline constexpr const char* kTrackerItem = "TrackingDataEx";
inline constexpr int kLinkTimeoutMs = 1000;
// The launch buffer holds at most this many characters.
inline constexpr std::size_t kMaxCommandLine = 255;

class ClientConversation : private LinkListener {
public:
    // Queues a closure on the engine's event queue; callable from any thread.
    using Post = std::function<void(std::function<void()>)>;
    // Shows an error to the operator (the general error report).
    using Report = std::function<void(const std::string&)>;

    // transport and launcher must outlive the conversation.
    ClientConversation(LinkTransport& transport, Launcher& launcher, Post post, Report report,
                       std::string service = kTrackerService, std::string topic = kTrackerTopic);
    ~ClientConversation() override;
    ClientConversation(const ClientConversation&) = delete;
    ClientConversation& operator=(const ClientConversation&) = delete;

    const std::string& DdeService() const { return service_; }
    const std::string& DdeTopic() const { return topic_; }
    // The command line that launches the tracker when it does not answer; at most 255
    // characters, a longer one is reported and never launched.
    std::string ServiceApplication = "orbitron";

    std::function<void()> OnOpen;
    std::function<void()> OnClose;

    // Subscribes the item on every open, for the conversation's lifetime (it survives failed
    // opens, refusals and ends). The item must outlive the conversation.
    void add_item(ClientItem& item);

    // Opens the link; false when it was already open or no conversation came about.
    bool OpenConversation();
    bool connected() const { return open_; }
    // The end of the conversation forgets it before raising OnClose, so an error thrown by the
    // handler cannot leave a dead conversation marked open.
    // Ends an open conversation quietly (no event); for program end.
    void CloseConversation();
    // Any thread: a request that waits now, and every later one, gives up at once, so closing
    // the program never waits for a tracker that does not answer.
    void interrupt() { transport_.interrupt(); }

private:
    void change_notice(const std::string& item) override;
    void conversation_ended() override;

    bool connect_or_launch();
    void fetch(ClientItem& item);
    void clear_and_change(ClientItem& item);
    void handle_changes(unsigned generation);
    void handle_end(unsigned generation);

    LinkTransport& transport_;
    Launcher& launcher_;
    Post post_;
    Report report_;
    std::string service_;
    std::string topic_;
    std::vector<ClientItem*> items_; // grows on the engine thread under notice_mutex_
    bool open_ = false;
    // Tells notices of an earlier conversation from the current one.
    std::atomic<unsigned> generation_{0};
    // The one queued change notice: the items it names and the conversation it belongs to.
    std::mutex notice_mutex_;
    std::set<std::string> noticed_items_;
    unsigned noticed_generation_ = 0;
    // Posted closures that outlive the conversation do nothing.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace dopplex
