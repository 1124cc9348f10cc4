#include "hamlib/hamlib_reply.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace dopplex::tracker {

std::vector<std::string> command_words(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (i < line.size()) {
        while (i < line.size() && blank(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !blank(line[i])) {
            ++i;
        }
        if (i > start) {
            words.emplace_back(line.substr(start, i - start));
        }
    }
    if (!words.empty() && words[0].size() > 1 && words[0][0] == '\\') {
        words[0].erase(0, 1);
    }
    return words;
}

std::optional<double> decimal_number(const std::string& word) {
    std::size_t i = word.empty() || (word[0] != '-' && word[0] != '+') ? 0 : 1;
    std::size_t digits = 0;
    bool point = false;
    for (; i < word.size(); ++i) {
        if (word[i] >= '0' && word[i] <= '9') {
            ++digits;
        } else if (word[i] == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || digits > 30) {
        return std::nullopt;
    }
    return std::strtod(word.c_str(), nullptr);
}

std::string number_text(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') {
        s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

} // namespace dopplex::tracker
