#include "link/shared/live_item.h"

namespace dopplex::link {

namespace {
constexpr int kAnswerTimeoutMs = 1000;
} // namespace

LiveItem::LiveItem(LinkTransport& transport, std::string service, std::string topic,
                   std::string item, Deliver deliver, std::chrono::milliseconds retry)
    : transport_(transport), service_(std::move(service)), topic_(std::move(topic)),
      item_(std::move(item)), deliver_(std::move(deliver)), retry_(retry) {
    transport_.set_listener(this);
    worker_ = std::thread([this] { run(); });
}

LiveItem::~LiveItem() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
    transport_.set_listener(nullptr);
}

void LiveItem::change_notice(const std::string& item) {
    if (item != item_) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        changed_ = true;
    }
    wake_.notify_all();
}

void LiveItem::conversation_ended() {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    wake_.notify_all();
}

bool LiveItem::open() {
    if (transport_.connect(service_, topic_) && transport_.subscribe(item_, kAnswerTimeoutMs)) {
        return true;
    }
    transport_.disconnect();
    return false;
}

bool LiveItem::fetch() {
    const auto bytes = transport_.request(item_, kAnswerTimeoutMs);
    if (bytes) {
        deliver_(*bytes);
    }
    return bytes.has_value();
}

void LiveItem::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!transport_.connected() || ended_) {
            ended_ = false;
            lock.unlock();
            // A new connect ends what is left of the old one; the value the item holds now
            // comes before any change, and one that could not be fetched is tried again.
            const bool opened = open() && fetch();
            lock.lock();
            if (!opened) {
                ended_ = true;
                wake_.wait_for(lock, retry_, [this] { return stopping_; });
            }
            continue;
        }
        wake_.wait(lock, [this] { return stopping_ || changed_ || ended_; });
        if (stopping_ || !changed_) {
            continue;
        }
        changed_ = false;
        lock.unlock();
        const bool fetched = fetch();
        lock.lock();
        ended_ = ended_ || !fetched; // an unanswered request: start again, or the value is lost
    }
    lock.unlock();
    transport_.disconnect();
}

} // namespace dopplex::link
