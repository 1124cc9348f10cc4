#include "tracker/link/client_conversation.h"

#include <algorithm>

namespace dopplex {

namespace {
constexpr int kLaunchedResult = 32;
} // namespace

ClientConversation::ClientConversation(LinkTransport& transport, Launcher& launcher, Post post,
                                       Report report, std::string service, std::string topic)
    : transport_(transport), launcher_(launcher), post_(std::move(post)),
      report_(std::move(report)), service_(std::move(service)), topic_(std::move(topic)) {
    transport_.set_listener(this);
}

ClientConversation::~ClientConversation() {
    transport_.set_listener(nullptr);
    if (open_) {
        transport_.disconnect();
    }
}

void ClientConversation::add_item(ClientItem& item) {
    if (std::find(items_.begin(), items_.end(), &item) == items_.end()) {
        std::lock_guard lock(notice_mutex_);
        items_.push_back(&item);
    }
}

bool ClientConversation::OpenConversation() {
    if (open_) {
        return false;
    }
    if (!connect_or_launch()) {
        for (ClientItem* item : items_) {
            clear_and_change(*item);
        }
        return false;
    }
    open_ = true;
    ++generation_;
    std::vector<ClientItem*> subscribed;
    for (ClientItem* item : items_) {
        if (transport_.subscribe(item->DdeItem(), kLinkTimeoutMs)) {
            subscribed.push_back(item);
        } else {
            clear_and_change(*item);
        }
    }
    if (OnOpen) {
        OnOpen();
    }
    for (ClientItem* item : subscribed) {
        fetch(*item);
    }
    return true;
}

void ClientConversation::CloseConversation() {
    if (!open_) {
        return;
    }
    open_ = false;
    ++generation_;
    transport_.disconnect();
}

bool ClientConversation::connect_or_launch() {
    if (transport_.connect(service_, topic_)) {
        return true;
    }
    if (ServiceApplication.empty()) {
        return false;
    }
    if (ServiceApplication.size() > kMaxCommandLine) {
        if (report_) {
            report_("The tracker's command line has " + std::to_string(ServiceApplication.size()) +
                    " characters, more than " + std::to_string(kMaxCommandLine) +
                    "; it was not launched: " + ServiceApplication);
        }
        return false;
    }
    if (launcher_.launch(ServiceApplication) < kLaunchedResult) {
        return false;
    }
    return transport_.connect(service_, topic_);
}

void ClientConversation::fetch(ClientItem& item) {
    const auto bytes = transport_.request(item.DdeItem(), kLinkTimeoutMs);
    if (!bytes) {
        return;
    }
    item.take_received(*bytes);
    item.raise_change();
}

void ClientConversation::clear_and_change(ClientItem& item) {
    item.clear();
    item.raise_change();
}

// A peer may announce changes far faster than requests are answered: one queued notice per
// conversation keeps the queue, and the time a click waits behind notices, bounded.
void ClientConversation::change_notice(const std::string& item) {
    const unsigned generation = generation_.load();
    {
        std::lock_guard lock(notice_mutex_);
        const bool subscribed = std::any_of(items_.begin(), items_.end(), [&](ClientItem* known) {
            return known->DdeItem() == item;
        });
        if (!subscribed) {
            return;
        }
        if (noticed_generation_ != generation) {
            noticed_items_.clear(); // its closure belongs to an ended conversation
            noticed_generation_ = generation;
        }
        const bool queued = !noticed_items_.empty();
        noticed_items_.insert(item);
        if (queued) {
            return;
        }
    }
    std::weak_ptr<char> alive = alive_;
    post_([this, alive, generation] {
        if (alive.lock()) {
            handle_changes(generation);
        }
    });
}

void ClientConversation::conversation_ended() {
    const unsigned generation = generation_.load();
    std::weak_ptr<char> alive = alive_;
    post_([this, alive, generation] {
        if (alive.lock()) {
            handle_end(generation);
        }
    });
}

void ClientConversation::handle_changes(unsigned generation) {
    std::set<std::string> changed;
    {
        std::lock_guard lock(notice_mutex_);
        if (noticed_generation_ != generation) {
            return;
        }
        changed.swap(noticed_items_);
    }
    if (!open_ || generation != generation_.load()) {
        return;
    }
    for (ClientItem* candidate : items_) {
        if (changed.count(candidate->DdeItem()) != 0) {
            fetch(*candidate);
        }
    }
}

void ClientConversation::handle_end(unsigned generation) {
    if (!open_ || generation != generation_.load()) {
        return;
    }
    open_ = false;
    ++generation_;
    transport_.disconnect();
    if (OnClose) {
        OnClose();
    }
}

} // namespace dopplex
