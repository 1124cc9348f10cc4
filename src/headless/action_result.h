// What a page action answers: 204 when done, otherwise the HTTP status and the reason the page
// shows to the operator (400 for words it does not know, 409 when the station refuses, 500 when
// it failed).
#pragma once

#include <string>

namespace dopplex::headless {

struct ActionResult {
    int status = 204;
    std::string reason; // empty when done

    static ActionResult done() { return {}; }
    static ActionResult refused(std::string why) { return {409, std::move(why)}; }
    static ActionResult failed(std::string why) { return {500, std::move(why)}; }
};

} // namespace dopplex::headless
