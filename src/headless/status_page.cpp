#include "status_page.h"

#include <httplib.h>

#include <cstdio>
#include <stdexcept>

namespace dopplex::headless {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

template <typename T> std::string number_or_null(const std::optional<T>& value) {
    return value ? std::to_string(static_cast<std::int64_t>(*value)) : "null";
}

// Compares all of both, so the time taken says nothing about where they differ.
bool same_secret(const std::string& given, const std::string& token) {
    unsigned difference = given.size() == token.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i]) ^
                      static_cast<unsigned char>(token[i % token.size()]);
    return difference == 0;
}

std::string given_token(const httplib::Request& request) {
    const std::string bearer = request.get_header_value("Authorization");
    if (bearer.rfind("Bearer ", 0) == 0)
        return bearer.substr(7);
    return request.get_param_value("token");
}

void answer(httplib::Response& response, const ActionResult& result) {
    response.status = result.outcome == ActionResult::Outcome::Done      ? 204
                      : result.outcome == ActionResult::Outcome::Refused ? 409
                                                                         : 500;
    if (!result.reason.empty())
        response.set_content(result.reason + "\n", "text/plain");
}

} // namespace

PageAddress parse_page_address(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    const auto bad = [&text] {
        return std::invalid_argument("page: \"" + text +
                                     "\" is not ADDR:PORT, e.g. 127.0.0.1:8073 or off");
    };
    if (colon == std::string::npos || colon == 0)
        throw bad();
    std::string host = text.substr(0, colon);
    if (host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    int port = 0;
    try {
        std::size_t used = 0;
        port = std::stoi(text.substr(colon + 1), &used);
        if (used != text.size() - colon - 1 || port < 0 || port > 65535)
            throw bad();
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
                 ",\"behind_steps\":" + std::to_string(view.behind_steps[i]) + "}";
    }
    std::string lines;
    for (const std::string& line : log)
        lines += (lines.empty() ? "" : ",") + quoted(line);
    return "{\"transponder\":" + quoted(view.transponder) +
           ",\"satellite\":" + quoted(view.satellite) +
           ",\"in_pass\":" + (view.in_pass ? "true" : "false") +
           ",\"elevation_deg\":" + std::to_string(view.elevation_deg) +
           ",\"azimuth_deg\":" + std::to_string(view.azimuth_deg) + ",\"sides\":[" + sides +
           "],\"lines\":" + number_or_null(view.lines) + ",\"port\":" + quoted(view.port) +
           ",\"tracking\":" + quoted(view.tracking) + ",\"priority\":" + quoted(view.priority) +
           ",\"late_presses\":" + std::to_string(view.late_presses) + ",\"log\":[" + lines + "]}";
}

StatusPage::StatusPage(Station& station, Journal& journal, const PageAddress& address,
                       std::string token)
    : station_(station), journal_(journal), token_(std::move(token)),
      server_(std::make_unique<httplib::Server>()) {
    httplib::Server& server = *server_;
    server.set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            if (!token_.empty() && !same_secret(given_token(request), token_)) {
                response.status = 403;
                response.set_content("A token is needed: open the address dopplexd printed at its "
                                     "first start.\n",
                                     "text/plain");
                return httplib::Server::HandlerResponse::Handled;
            }
            if (request.method == "POST" && request.get_header_value("X-Dopplex") != "1") {
                response.status = 403;
                response.set_content("Actions come from the page.\n", "text/plain");
                return httplib::Server::HandlerResponse::Handled;
            }
            response.set_header("Cache-Control", "no-store");
            return httplib::Server::HandlerResponse::Unhandled;
        });
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(kPageHtml, "text/html; charset=utf-8");
    });
    server.Get("/status", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(status_json(station_.view(), journal_.recent()), "application/json");
    });
    // An action answers 204 when done, 400 for words it does not know, 409 with the reason when
    // refused, 500 with it when it failed.
    const auto action = [&server](const char* path,
                                  std::function<ActionResult(const httplib::Request&)> run) {
        server.Post(path, [run](const httplib::Request& request, httplib::Response& response) {
            answer(response, run(request));
        });
    };
    server.Post("/nudge", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string side = request.get_param_value("side");
        const std::string direction = request.get_param_value("dir");
        if ((side != "rx" && side != "tx") || (direction != "up" && direction != "down"))
            response.status = 400;
        else
            answer(response,
                   station_.nudge(side == "rx" ? Side::Rx : Side::Tx, direction == "up" ? 1 : -1));
    });
    action("/stop", [this](const httplib::Request&) {
        station_.stop();
        return ActionResult{};
    });
    action("/reset", [this](const httplib::Request&) { return station_.reset(); });
    action("/clear-offsets", [this](const httplib::Request&) { return station_.clear_offsets(); });

    port_ = address.port == 0
                ? server.bind_to_any_port(address.host)
                : (server.bind_to_port(address.host, address.port) ? address.port : -1);
    if (port_ < 0)
        throw std::runtime_error("the page cannot listen on " + address.host + ":" +
                                 std::to_string(address.port));
    thread_ = std::thread([&server] { server.listen_after_bind(); });
}

StatusPage::~StatusPage() {
    server_->stop();
    thread_.join();
}

} // namespace dopplex::headless
