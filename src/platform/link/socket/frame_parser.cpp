#include "link/socket/frame_parser.h"

namespace dopplex::link {

namespace {

std::vector<std::string> split_words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

} // namespace

bool parse_count(const std::string& text, std::size_t max, std::size_t& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value <= max;
}

bool valid_name(const std::string& name) {
    if (name.empty() || name.size() > kMaxItemName) {
        return false;
    }
    for (char c : name) {
        if (c <= ' ' || c > '~') {
            return false;
        }
    }
    return true;
}

std::string frame_line(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) {
            line += ' ';
        }
        line += word;
    }
    return line + '\n';
}

FrameParser::Status FrameParser::malformed(std::string error) {
    error_ = std::move(error);
    return Status::Malformed;
}

FrameParser::Status FrameParser::next(Frame& frame) {
    const std::size_t end = buffer_.find('\n');
    if ((end == std::string::npos ? buffer_.size() : end) > kMaxLineBytes) {
        return malformed("a line longer than " + std::to_string(kMaxLineBytes) + " bytes");
    }
    if (end == std::string::npos) {
        return Status::NeedMore;
    }
    std::vector<std::string> words = split_words(buffer_.substr(0, end));
    std::size_t consumed = end + 1;
    std::string data;
    if (words[0] == "DATA") {
        std::size_t length = 0;
        if (words.size() != 3 || !parse_count(words[2], kMaxDataBytes, length)) {
            return malformed("a DATA line without a length of at most " +
                             std::to_string(kMaxDataBytes) + " bytes");
        }
        if (buffer_.size() < consumed + length + 1) {
            return Status::NeedMore;
        }
        if (buffer_[consumed + length] != '\n') {
            return malformed("DATA not followed by a line end");
        }
        data = buffer_.substr(consumed, length);
        consumed += length + 1;
    }
    buffer_.erase(0, consumed);
    frame.words = std::move(words);
    frame.data = std::move(data);
    return Status::Frame;
}

} // namespace dopplex::link
