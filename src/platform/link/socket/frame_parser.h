// Splits the bytes of one link socket into frames: a line of words ended by "\n", and for a
// "DATA <id> <length>" line the length bytes after it plus their own "\n". Sizes are capped, so a
// hostile peer can make the parser report Malformed but never grow it without bound.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dopplex::link {

inline constexpr std::size_t kMaxLineBytes = 512;
inline constexpr std::size_t kMaxDataBytes = 64 * 1024;
inline constexpr std::size_t kMaxItemName = 64;

struct Frame {
    std::vector<std::string> words;
    std::string data; // the payload of a DATA frame
};

class FrameParser {
public:
    enum class Status { Frame, NeedMore, Malformed };

    // Call next() until NeedMore after each feed(); that keeps the buffer bounded.
    void feed(const char* bytes, std::size_t count) { buffer_.append(bytes, count); }
    Status next(Frame& frame);
    // Whether bytes of a frame that is not complete yet are waiting.
    bool partial() const { return !buffer_.empty(); }
    // After Malformed: what was wrong, for the operator.
    const std::string& error() const { return error_; }

private:
    Status malformed(std::string error);

    std::string buffer_;
    std::string error_;
};

// The words of a frame as one protocol line, "\n" included.
std::string frame_line(const std::vector<std::string>& words);
// Whether a name can travel as one word: 1..64 printable ASCII characters, no space.
bool valid_name(const std::string& name);
// A decimal number without sign or blanks, at most max; false otherwise.
bool parse_count(const std::string& text, std::size_t max, std::size_t& value);

} // namespace dopplex::link
