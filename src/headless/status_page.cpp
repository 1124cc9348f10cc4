#include "status_page.h"

#include "hamlib/peer_owner.h"
#include "json_text.h"
#include "page_access.h"

#include <stdexcept>
#include <unistd.h>

namespace dopplex::headless {

namespace {

const char* const kText = "text/plain; charset=utf-8";

template <typename T> std::string number_or_null(const std::optional<T>& value) {
    return value ? std::to_string(static_cast<std::int64_t>(*value)) : "null";
}

std::string value_of(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

std::string given_token(const HttpRequest& request) {
    const std::string bearer = value_of(request.headers, "authorization");
    if (bearer.rfind("Bearer ", 0) == 0) {
        return bearer.substr(7);
    }
    return value_of(request.query, "token");
}

HttpAnswer refused(const char* why) {
    return {403, kText, why};
}

} // namespace

PageAddress parse_page_address(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    const auto bad = [&text] {
        return std::invalid_argument("page: \"" + text +
                                     "\" is not ADDR:PORT, e.g. 127.0.0.1:8073 or off");
    };
    if (colon == std::string::npos || colon == 0) {
        throw bad();
    }
    std::string host = text.substr(0, colon);
    if (host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    int port = 0;
    try {
        std::size_t used = 0;
        port = std::stoi(text.substr(colon + 1), &used);
        if (used != text.size() - colon - 1 || port < 0 || port > 65535) {
            throw bad();
        }
    } catch (const std::logic_error&) {
        throw bad();
    }
    return {host, port};
}

bool is_loopback(const std::string& host) {
    return host == "127.0.0.1" || host == "::1" || host == "localhost";
}

std::string status_json(const StationView& view, const std::vector<std::string>& log) {
    std::string sides;
    for (int i = 0; i < 2; ++i) {
        sides += std::string(i ? "," : "") + "{\"doppler_hz\":" +
                 std::to_string(static_cast<std::int64_t>(view.doppler_hz[i])) +
                 ",\"dial_hz\":" + number_or_null(view.dial_hz[i]) +
                 ",\"offset_hz\":" + std::to_string(view.offset_hz[i]) +
                 ",\"behind_steps\":" + std::to_string(view.behind_steps[i]) +
                 ",\"radio\":" + json_string(view.radio[i]) +
                 ",\"cat_status\":" + json_string(view.cat_status[i]) +
                 ",\"knob_hz\":" + number_or_null(view.knob_hz[i]) + "}";
    }
    std::string lines;
    for (const std::string& line : log) {
        lines += (lines.empty() ? "" : ",") + json_string(line);
    }
    return "{\"transponder\":" + json_string(view.transponder) +
           ",\"satellite\":" + json_string(view.satellite) +
           ",\"in_pass\":" + (view.in_pass ? "true" : "false") +
           ",\"elevation_deg\":" + std::to_string(view.elevation_deg) +
           ",\"azimuth_deg\":" + std::to_string(view.azimuth_deg) + ",\"sides\":[" + sides +
           "],\"lines\":" + number_or_null(view.lines) + ",\"port\":" + json_string(view.port) +
           ",\"tracking\":" + json_string(view.tracking) +
           ",\"priority\":" + json_string(view.priority) +
           ",\"late_presses\":" + std::to_string(view.late_presses) + ",\"log\":[" + lines + "]}";
}

StatusPage::StatusPage(Station& station, Journal& journal, const PageAddress& address,
                       PageAccess access)
    : station_(station), journal_(journal), access_(std::move(access)),
      service_(std::make_unique<HttpService>(
          address.host, address.port,
          [this](const HttpRequest& request) { return answer(request); }, HttpLimits{}, sorter())) {
}

// Where this machine's other users are refused without the token, they are strangers from the
// moment they connect, so that no number of loopback addresses fills the slots of the page's
// user. Not refused outright: their few slots still carry the token, or the refusal's reason.
HttpService::Sorter StatusPage::sorter() const {
    if (access_.token_required) {
        return {};
    }
    return [](const sockaddr_storage& peer, const sockaddr_storage& ours) {
        if (!loopback_peer(peer)) {
            return PeerKind::ordinary;
        }
        const std::optional<uid_t> owner = tracker::local_peer_owner(peer, ours);
        return owner && *owner == getuid() ? PeerKind::trusted : PeerKind::stranger;
    };
}

HttpAnswer StatusPage::answer(const HttpRequest& request) {
    if (!host_allowed(value_of(request.headers, "host"), request.ours, access_.names)) {
        return refused("Refused: this page answers only to its own address, localhost and the "
                       "names in page_names.\n");
    }
    const bool with_token = same_secret(given_token(request), access_.token);
    if (access_.token_required && !with_token) {
        return refused("A token is needed: \"dopplexd --page-url\" on the station prints the "
                       "page's full address.\n");
    }
    if (!with_token && loopback_peer(request.peer)) {
        const std::optional<uid_t> owner = tracker::local_peer_owner(request.peer, request.ours);
        if (!owner || *owner != getuid()) {
            return refused("Refused: the page serves only the user who runs dopplexd on this "
                           "machine, or the token.\n");
        }
    }
    if (request.method == "GET" && request.path == "/") {
        return {200, "text/html; charset=utf-8", kPageHtml};
    }
    if (request.method == "GET" && request.path == "/status") {
        return {200, "application/json", status_json(station_.view(), journal_.recent())};
    }
    if (request.method != "POST") {
        return {404, kText, "Not here.\n"};
    }
    if (value_of(request.headers, "x-dopplex") != "1") {
        return refused("Actions come from the page.\n");
    }
    const ActionResult result = act(request);
    return {result.status, kText, result.reason.empty() ? "" : result.reason + "\n"};
}

ActionResult StatusPage::act(const HttpRequest& request) {
    if (request.path == "/nudge") {
        const std::string side = value_of(request.query, "side");
        const std::string direction = value_of(request.query, "dir");
        if ((side != "rx" && side != "tx") || (direction != "up" && direction != "down")) {
            return {400, "A nudge is side=rx or tx and dir=up or down."};
        }
        return station_.nudge(side == "rx" ? Side::Rx : Side::Tx, direction == "up" ? 1 : -1);
    }
    if (request.path == "/stop") {
        return station_.stop();
    }
    if (request.path == "/reset") {
        return station_.reset();
    }
    if (request.path == "/clear-offsets") {
        return station_.clear_offsets();
    }
    return {404, "No such action."};
}

} // namespace dopplex::headless
