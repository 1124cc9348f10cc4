// Text helpers of the tracking-line parser: key lookup outside double quotes and value
// extraction. Pure functions, no state, any thread; they raise nothing.
#pragma once

#include <string>

namespace dopplex {

// Lower-case ASCII letters become upper-case; every other byte stays.
void UpperCaseAscii(std::string& s);

// Replaces every occurrence of `old` in `s` by `repl`, always taking the leftmost occurrence of
// the text as it stands, so a replacement that joins its neighbours into a new occurrence is
// replaced again. Nothing happens when `old` is empty or equal to `repl`. When `repl` contains
// `old` that would never end, so each original occurrence is then replaced once.
void ReplaceAll(std::string& s, const std::string& old, const std::string& repl);

// 1-based position of the first `key` in `text` outside double-quoted parts (everything after
// an unclosed quote counts as quoted); 0 when absent or when `key` is empty.
int FindKey(const std::string& text, const std::string& key);

// The value after `key` (upper-cased) where it starts a word, up to the next unquoted space or
// the end; double quotes only toggle quoting and are dropped. "" when the key is absent.
std::string GetKeyValue(const std::string& text, const std::string& key);

} // namespace dopplex
