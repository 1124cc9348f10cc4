#include "link_status.h"

#include <utility>

namespace dopplex::app {

StatusTransport::StatusTransport(LinkTransport& inner) : inner_(inner) {
    inner_.set_listener(this);
}

void StatusTransport::set_status_listener(Listener listener) {
    std::lock_guard lock(status_mutex_);
    status_listener_ = std::move(listener);
}

StatusTransport::~StatusTransport() {
    inner_.set_listener(nullptr);
}

void StatusTransport::set_listener(LinkListener* listener) {
    std::lock_guard lock(mutex_);
    listener_ = listener;
}

void StatusTransport::explain(const std::string& reason) {
    {
        std::lock_guard lock(mutex_);
        explained_ = true;
    }
    tell(reason);
}

bool StatusTransport::connect(const std::string& service, const std::string& topic) {
    const bool opened = inner_.connect(service, topic);
    bool explained = false;
    {
        std::lock_guard lock(mutex_);
        opened_ = "Conversation with " + service + " " + topic + " open";
        explained = std::exchange(explained_, false);
    }
    if (opened || !explained) {
        tell(opened ? opened_ : "No tracker answers as " + service + " " + topic);
    }
    return opened;
}

bool StatusTransport::subscribe(const std::string& item, int timeout_ms) {
    const bool done = inner_.subscribe(item, timeout_ms);
    tell(done ? opened_ : "The tracker refused ADVISE " + item);
    return done;
}

std::optional<std::string> StatusTransport::request(const std::string& item, int timeout_ms) {
    std::optional<std::string> answer = inner_.request(item, timeout_ms);
    if (inner_.connected()) {
        tell(answer ? opened_
                    : "No answer to REQUEST " + item + " within " + std::to_string(timeout_ms) +
                          " ms");
    }
    return answer;
}

void StatusTransport::change_notice(const std::string& item) {
    std::lock_guard lock(mutex_);
    if (listener_) {
        listener_->change_notice(item);
    }
}

void StatusTransport::conversation_ended() {
    tell("The tracker ended the conversation");
    std::lock_guard lock(mutex_);
    if (listener_) {
        listener_->conversation_ended();
    }
}

void StatusTransport::tell(const std::string& status) {
    {
        std::lock_guard lock(mutex_);
        if (status == status_) {
            return;
        }
        status_ = status;
    }
    std::lock_guard lock(status_mutex_);
    if (status_listener_) {
        status_listener_(status);
    }
}

} // namespace dopplex::app
