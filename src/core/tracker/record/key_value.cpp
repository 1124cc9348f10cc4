#include "tracker/record/key_value.h"

namespace dopplex {
namespace {

// 0-based position of `key` in `text` with every character inside double quotes masked, so a
// key that is part of a quoted value is never found. npos when absent.
std::size_t find_unquoted(const std::string& text, const std::string& key) {
    if (key.empty()) {
        return std::string::npos;
    }
    std::string masked = text;
    bool quoted = false;
    for (char& c : masked) {
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            c = '-';
        }
    }
    return masked.find(key);
}

} // namespace

void UpperCaseAscii(std::string& s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
}

void ReplaceAll(std::string& s, const std::string& old, const std::string& repl) {
    if (old.empty() || old == repl) {
        return;
    }
    const bool rescan = repl.find(old) == std::string::npos;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = s.find(old, from);
        if (at == std::string::npos) {
            return;
        }
        s.replace(at, old.size(), repl);
        // Nothing before `at` matched, so the next leftmost match can start at most
        // old.size() - 1 characters before it, joined with the inserted text.
        if (rescan) {
            from = at >= old.size() - 1 ? at - (old.size() - 1) : 0;
        } else {
            from = at + repl.size();
        }
    }
}

int FindKey(const std::string& text, const std::string& key) {
    const std::size_t at = find_unquoted(text, key);
    return at == std::string::npos ? 0 : static_cast<int>(at + 1);
}

std::string GetKeyValue(const std::string& text, const std::string& key) {
    // The leading spaces make the key match only at the start of a word.
    const std::string padded = " " + text;
    std::string padded_key = " " + key;
    UpperCaseAscii(padded_key);
    const std::size_t at = find_unquoted(padded, padded_key);
    if (at == std::string::npos) {
        return {};
    }
    std::string value;
    bool quoted = false;
    for (std::size_t i = at + padded_key.size(); i < padded.size(); ++i) {
        const char c = padded[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            break;
        } else {
            value += c;
        }
    }
    return value;
}

} // namespace dopplex
