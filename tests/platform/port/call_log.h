// Records the calls a backend makes through its seam and answers them from a script.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace dopplex::port::testing {

struct CallLog {
    std::vector<std::string> calls;
    std::map<std::string, std::deque<int>> script;

    // Records `call` and answers the next scripted result for `name`, else `otherwise`.
    int answer(const std::string& name, const std::string& call, int otherwise = 0) {
        calls.push_back(call);
        auto& queue = script[name];
        if (queue.empty()) {
            return otherwise;
        }
        const int result = queue.front();
        queue.pop_front();
        return result;
    }
    void then(const std::string& name, int result, int times = 1) {
        for (int i = 0; i < times; ++i) {
            script[name].push_back(result);
        }
    }
    std::vector<std::string> take() { return std::exchange(calls, {}); }
};

} // namespace dopplex::port::testing
