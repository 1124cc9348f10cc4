#include "link/dde/dde_transport.h"

namespace dopplex::link {

namespace {

// Short: the engine's own request waits behind a watching one.
constexpr DWORD kWatchTimeoutMs = 250;

HCONV open_conversation(const DdeThread& thread, const std::string& service,
                        const std::string& topic) {
    const StringHandle service_handle(thread, service);
    const StringHandle topic_handle(thread, topic);
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    return DdeConnect(thread.instance(), service_handle.get(), topic_handle.get(), &context);
}

// Whether the conversation is still open and its tracker's windows are there.
bool still_open(HCONV conv) {
    CONVINFO info{};
    info.cb = sizeof info;
    return DdeQueryConvInfo(conv, QID_SYNC, &info) != 0 && (info.wStatus & ST_CONNECTED) != 0 &&
           IsWindow(info.hwndPartner);
}

// A request's answer as bytes; the handle is freed.
std::string take_bytes(HDDEDATA data) {
    std::string bytes;
    DWORD size = 0;
    const BYTE* start = DdeAccessData(data, &size);
    if (start != nullptr) {
        bytes.assign(reinterpret_cast<const char*>(start), size);
        DdeUnaccessData(data);
    }
    DdeFreeDataHandle(data);
    return bytes;
}

HDDEDATA ask(HCONV conv, const StringHandle& item, UINT type, DWORD timeout_ms) {
    return DdeClientTransaction(nullptr, 0, conv, item.get(), CF_TEXT, type, timeout_ms, nullptr);
}

} // namespace

DdeTransport::DdeTransport()
    : thread_(std::make_unique<DdeThread>(
          APPCLASS_STANDARD | APPCMD_CLIENTONLY,
          [this](UINT type, UINT, HCONV conv, HSZ, HSZ item, HDDEDATA) {
              return on_callback(type, conv, item);
          },
          [this] {
              check_partner();
              fetch_unasked();
          })) {}

DdeTransport::~DdeTransport() {
    set_listener(nullptr);
    disconnect();
    thread_.reset();
}

void DdeTransport::set_listener(LinkListener* listener) {
    std::lock_guard lock(listener_mutex_);
    listener_ = listener;
}

HCONV DdeTransport::current() const {
    std::lock_guard lock(mutex_);
    return conversation_;
}

bool DdeTransport::connect(const std::string& service, const std::string& topic) {
    disconnect();
    auto opened = std::make_shared<HCONV>(nullptr);
    thread_->call([this, opened, service, topic] {
        if (!forget_ended()) {
            return;
        }
        *opened = open_conversation(*thread_, service, topic);
        if (*opened == nullptr) {
            return;
        }
        std::lock_guard lock(mutex_);
        if (interrupted_) {
            DdeDisconnect(*opened);
            *opened = nullptr;
        } else {
            conversation_ = *opened;
        }
    });
    return current() != nullptr;
}

bool DdeTransport::answers(const std::string& service, const std::string& topic) {
    auto answered = std::make_shared<bool>(false);
    const bool ran = thread_->call([this, answered, service, topic] {
        if (!forget_ended()) {
            return;
        }
        const HCONV probe = open_conversation(*thread_, service, topic);
        *answered = probe != nullptr;
        if (*answered) {
            DdeDisconnect(probe);
        }
    });
    return ran && *answered;
}

bool DdeTransport::forget_ended() {
    // Wine keeps a conversation the tracker ended (DdeDisconnect refuses it as no longer
    // connected) and refuses every new one with the same service and topic while it is there;
    // only a new instance forgets it.
    if (ended_conversation_ && thread_->restart() != DMLERR_NO_ERROR) {
        return false;
    }
    ended_conversation_ = false;
    return true;
}

bool DdeTransport::connected() const {
    return current() != nullptr;
}

bool DdeTransport::subscribe(const std::string& item, int timeout_ms) {
    return transact(item, XTYP_ADVSTART | XTYPF_NODATA, timeout_ms).has_value();
}

std::optional<std::string> DdeTransport::request(const std::string& item, int timeout_ms) {
    return transact(item, XTYP_REQUEST, timeout_ms);
}

std::optional<std::string> DdeTransport::transact(const std::string& item, UINT type,
                                                  int timeout_ms) {
    HCONV conv = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (interrupted_) {
            return std::nullopt;
        }
        conv = conversation_;
    }
    if (conv == nullptr) {
        return std::nullopt;
    }
    auto answer = std::make_shared<std::optional<std::string>>();
    const bool ran = thread_->call([this, conv, answer, item, type, timeout_ms] {
        if (conv != current()) {
            return; // ended or disconnected while this waited in the queue
        }
        const StringHandle item_handle(*thread_, item);
        const auto asked = std::chrono::steady_clock::now();
        HDDEDATA data = ask(conv, item_handle, type, static_cast<DWORD>(timeout_ms));
        // Under Wine a request right after a watching one is refused at once: the engine's is
        // asked again, within its time.
        const auto left = std::chrono::milliseconds(timeout_ms) -
                          std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - asked);
        if (data == nullptr && type == XTYP_REQUEST && watch_asked_ &&
            asked - *watch_asked_ < std::chrono::seconds(1) && left.count() > 0 &&
            DdeGetLastError(thread_->instance()) == DMLERR_NOTPROCESSED) {
            data = ask(conv, item_handle, type, static_cast<DWORD>(left.count()));
        }
        // Wine returns an undefined handle from a request that the tracker's terminate ended.
        if (data == nullptr || !still_open(conv)) {
            return;
        }
        // ADVSTART answers TRUE, not a data handle.
        if (type == XTYP_REQUEST) {
            answer->emplace(take_bytes(data));
            watched(item, **answer);
        } else {
            answer->emplace();
        }
    });
    if (!ran) {
        return std::nullopt;
    }
    return std::move(*answer);
}

void DdeTransport::watch(std::string item, Watch watch) {
    std::lock_guard lock(watch_mutex_);
    watched_item_ = std::move(item);
    watch_ = std::move(watch);
}

void DdeTransport::watched(const std::string& item, const std::string& bytes) {
    std::lock_guard lock(watch_mutex_);
    if (item != watched_item_) {
        return;
    }
    unasked_since_.reset();
    if (watch_) {
        watch_(bytes);
    }
}

void DdeTransport::fetch_unasked() {
    const HCONV conv = current();
    if (!unasked_since_ || conv == nullptr ||
        std::chrono::steady_clock::now() - *unasked_since_ < kWatchWaitMs) {
        return;
    }
    std::string item;
    {
        std::lock_guard lock(watch_mutex_);
        if (!watch_) {
            return;
        }
        item = watched_item_;
    }
    unasked_since_.reset();
    watch_asked_ = std::chrono::steady_clock::now();
    const StringHandle item_handle(*thread_, item);
    const HDDEDATA data = ask(conv, item_handle, XTYP_REQUEST, kWatchTimeoutMs);
    if (data == nullptr || !still_open(conv)) {
        return;
    }
    watched(item, take_bytes(data));
}

void DdeTransport::disconnect() {
    HCONV conv = nullptr;
    {
        std::lock_guard lock(mutex_);
        std::swap(conv, conversation_);
    }
    // A notice being delivered now finishes before this returns; later ones see no conversation.
    { const std::lock_guard wait(listener_mutex_); }
    if (conv != nullptr) {
        // Not waited for: a tracker that hangs would hold the engine for DDEML's 10 s.
        thread_->post([conv] { DdeDisconnect(conv); });
    }
}

void DdeTransport::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    thread_->interrupt();
}

void DdeTransport::ended(HCONV conv) {
    const std::lock_guard delivering(listener_mutex_);
    {
        std::lock_guard lock(mutex_);
        if (conv == nullptr || conv != conversation_) {
            return; // not ours any more, or already reported
        }
        conversation_ = nullptr;
    }
    if (listener_ != nullptr) {
        listener_->conversation_ended();
    }
    ended_conversation_ = true;
}

void DdeTransport::check_partner() {
    const HCONV conv = current();
    if (conv == nullptr) {
        return;
    }
    // Wine's client never gets XTYP_DISCONNECT: it handles the tracker's terminate and only
    // marks the conversation as no longer connected. A tracker that died (or was killed) sends
    // no terminate at all; its windows are gone instead.
    if (!still_open(conv)) {
        ended(conv);
    }
}

HDDEDATA DdeTransport::on_callback(UINT type, HCONV conv, HSZ item) {
    if (type == XTYP_DISCONNECT) {
        ended(conv);
        return nullptr;
    }
    if (type != XTYP_ADVDATA) {
        return nullptr;
    }
    const std::string name = thread_->text_of(item);
    const std::lock_guard delivering(listener_mutex_);
    if (conv == nullptr || conv != current()) {
        return nullptr; // a conversation we already left
    }
    if (listener_ != nullptr) {
        listener_->change_notice(name);
    }
    {
        std::lock_guard lock(watch_mutex_);
        if (watch_ && name == watched_item_ && !unasked_since_) {
            unasked_since_ = std::chrono::steady_clock::now();
        }
    }
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
}

} // namespace dopplex::link
