// The status and control page: the pass now, the lines, the last log lines and the operator's
// buttons (nudge RX / TX up and down, Stop, Reset, clear offsets), served by a bounded HTTP
// service on its own thread. A request must name the page by one of its own names (page_access.h).
// With the token required every request must carry it ("Authorization: Bearer TOKEN" or
// "?token=TOKEN"); from this machine only the user who runs dopplexd is served without it. A
// refused request gets 403 and changes nothing. Actions are POSTs with the header "X-Dopplex: 1",
// which a page of another site cannot send without asking first.
#pragma once

#include "action_result.h"
#include "http_service.h"
#include "journal.h"
#include "station.h"

#include <memory>
#include <string>
#include <vector>

namespace dopplex::headless {

// "ADDR:PORT" ([IPv6]:PORT); throws std::invalid_argument.
struct PageAddress {
    std::string host;
    int port = 0;
};
PageAddress parse_page_address(const std::string& text);
// 127.0.0.1, ::1 and localhost: only this machine reaches them.
bool is_loopback(const std::string& host);

struct PageAccess {
    std::string token;              // empty: none made
    bool token_required = false;    // for every request, from wherever it comes
    std::vector<std::string> names; // the page's names besides its addresses and localhost
};

class StatusPage {
public:
    // Binds at once; throws std::runtime_error when it cannot.
    StatusPage(Station& station, Journal& journal, const PageAddress& address, PageAccess access);

    int port() const { return service_->port(); }

private:
    HttpAnswer answer(const HttpRequest& request);
    ActionResult act(const HttpRequest& request);
    HttpService::Sorter sorter() const;

    Station& station_;
    Journal& journal_;
    PageAccess access_;
    std::unique_ptr<HttpService> service_;
};

// The JSON of /status.
std::string status_json(const StationView& view, const std::vector<std::string>& log);

extern const char* const kPageHtml;

} // namespace dopplex::headless
