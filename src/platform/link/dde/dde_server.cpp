#include "link/dde/dde_server.h"

#include <stdexcept>

#include "tracker/link/link_start_error.h"

namespace dopplex::link {

namespace {

HDDEDATA answer(bool yes) {
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(yes ? TRUE : FALSE));
}

} // namespace

DdeServer::DdeServer(std::string service, std::string topic, DdeServerOptions options)
    : service_(std::move(service)), topic_(std::move(topic)), options_(options),
      release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (release_ == nullptr) {
        throw std::runtime_error("DDE: cannot create an event");
    }
}

DdeServer::~DdeServer() {
    stop();
    CloseHandle(release_);
}

void DdeServer::start() {
    try {
        thread_ = std::make_unique<DdeThread>(
            APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
            [this](UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2, HDDEDATA) {
                return on_callback(type, format, conversation, hsz1, hsz2);
            });
    } catch (const LinkStartError& e) {
        throw std::runtime_error(std::string("DDE: ") + e.what());
    }
    bool registered = false;
    thread_->call([&] {
        service_handle_ = thread_->string_handle(service_);
        registered =
            DdeNameService(thread_->instance(), service_handle_, nullptr, DNS_REGISTER) != nullptr;
    });
    if (!registered) {
        stop();
        throw std::runtime_error("DDE: cannot register the service name " + service_);
    }
}

void DdeServer::set_item(const std::string& item, std::string bytes) {
    {
        std::lock_guard lock(mutex_);
        std::string& stored = items_[item];
        if (stored == bytes) {
            return;
        }
        stored = std::move(bytes);
    }
    if (thread_ == nullptr) {
        return;
    }
    thread_->post([this, item] {
        const StringHandle topic(*thread_, topic_);
        const StringHandle item_handle(*thread_, item);
        DdePostAdvise(thread_->instance(), topic.get(), item_handle.get());
    });
}

void DdeServer::stop() {
    if (thread_ == nullptr) {
        return;
    }
    SetEvent(release_);
    thread_->call([&] {
        // Unregistering the name terminates the clients' conversations under Wine, whose
        // DdeDisconnect does nothing for a server's side; Windows' DdeDisconnect does it there.
        if (service_handle_ != nullptr) {
            DdeNameService(thread_->instance(), service_handle_, nullptr, DNS_UNREGISTER);
        }
        for (HCONV conversation : std::set<HCONV>(open_)) {
            DdeDisconnect(conversation);
        }
        open_.clear();
        if (service_handle_ != nullptr) {
            DdeFreeStringHandle(thread_->instance(), service_handle_);
            service_handle_ = nullptr;
        }
    });
    thread_.reset();
}

HDDEDATA DdeServer::item_data(UINT format, HSZ item) {
    if (format != CF_TEXT) {
        return nullptr;
    }
    std::string bytes;
    {
        std::lock_guard lock(mutex_);
        const auto found = items_.find(thread_->text_of(item));
        if (found == items_.end()) {
            return nullptr;
        }
        bytes = found->second;
    }
    // CF_TEXT ends with a NUL.
    return DdeCreateDataHandle(thread_->instance(), reinterpret_cast<BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size() + 1), 0, item, CF_TEXT, 0);
}

HDDEDATA DdeServer::on_callback(UINT type, UINT format, HCONV conversation, HSZ hsz1, HSZ hsz2) {
    switch (type) {
    case XTYP_CONNECT:
        // hsz1 is the topic, hsz2 the service.
        return answer(!options_.refuse_connections &&
                      CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE,
                                     thread_->text_of(hsz1).c_str(), -1, topic_.c_str(),
                                     -1) == CSTR_EQUAL);
    case XTYP_CONNECT_CONFIRM:
        open_.insert(conversation);
        return nullptr;
    case XTYP_DISCONNECT:
        open_.erase(conversation);
        return nullptr;
    case XTYP_ADVSTART:
        return answer(!options_.refuse_subscriptions && format == CF_TEXT);
    case XTYP_REQUEST:
        if (options_.ignore_requests) {
            // Not CBR_BLOCK: a blocked conversation still announces changes, and under Wine a
            // change notice for the item ends the client's waiting request at once, taken as
            // its (empty) answer.
            WaitForSingleObject(release_, kHoldMs);
            return nullptr;
        }
        return item_data(format, hsz2);
    case XTYP_ADVREQ:
        return item_data(format, hsz2);
    default:
        return nullptr;
    }
}

} // namespace dopplex::link
