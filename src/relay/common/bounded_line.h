// Line reading for the tools' input files (a recording, a scenario), which may be anything the
// operator names, /dev/zero included: a line is taken up to a limit and never held beyond it,
// and a file that cannot be read is an error, not an empty input.
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <stdexcept>
#include <string>

namespace dopplex::tools {

inline constexpr std::size_t kMaxInputLineBytes = 128 * 1024;

enum class LineRead { Line, TooLong, End };

// One line without its "\n" (a CR before it kept). TooLong: more than `max` bytes came before
// the line's end; only `max` were kept, the stream stands inside the line.
inline LineRead read_bounded_line(std::istream& in, std::string& line,
                                  std::size_t max = kMaxInputLineBytes) {
    line.clear();
    const std::istream::sentry ready(in, true);
    if (!ready) {
        return LineRead::End;
    }
    std::streambuf& buffer = *in.rdbuf();
    for (;;) {
        const auto c = buffer.sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return line.empty() ? LineRead::End : LineRead::Line;
        }
        if (c == '\n') {
            return LineRead::Line;
        }
        if (line.size() == max) {
            return LineRead::TooLong;
        }
        line.push_back(static_cast<char>(c));
    }
}

// Opens a file to read; throws std::runtime_error naming the file and the reason when it is a
// folder or cannot be opened.
inline void open_input(std::ifstream& file, const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw std::runtime_error(path + ": is a folder, not a file");
    }
    file.open(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    }
}

} // namespace dopplex::tools
