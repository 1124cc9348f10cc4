// The status and control page: the pass now, the lines, the last log lines and the operator's
// buttons (nudge RX / TX up and down, Stop, Reset, clear offsets), served over HTTP on its own
// thread. With a token every request must carry it ("Authorization: Bearer TOKEN" or
// "?token=TOKEN"); one without it gets 403 and changes nothing. Actions are POSTs with the header
// "X-Dopplex: 1", which a page of another site cannot send without asking first.
#pragma once

#include "journal.h"
#include "station.h"

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace dopplex::headless {

// "ADDR:PORT" ([IPv6]:PORT); throws std::invalid_argument.
struct PageAddress {
    std::string host;
    int port = 0;
};
PageAddress parse_page_address(const std::string& text);
// 127.0.0.1, ::1 and localhost: only this machine reaches them.
bool is_loopback(const std::string& host);

class StatusPage {
public:
    // An empty token: none needed. Binds at once; throws std::runtime_error when it cannot.
    StatusPage(Station& station, Journal& journal, const PageAddress& address, std::string token);
    ~StatusPage();
    StatusPage(const StatusPage&) = delete;
    StatusPage& operator=(const StatusPage&) = delete;

    int port() const { return port_; }

private:
    Station& station_;
    Journal& journal_;
    std::string token_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
};

// The JSON of /status.
std::string status_json(const StationView& view, const std::vector<std::string>& log);

extern const char* const kPageHtml;

} // namespace dopplex::headless
