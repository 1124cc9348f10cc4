#include "settings/file_settings_store.h"

#include "settings/settings_text_file.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace dopplex::settings {

namespace {

std::string encode(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7f || c == '%' || c == '=' || c == '[' || c == ']') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Built by appending: GCC 12 at -O3 misreads "[" + std::string&& as an overlapping copy.
std::string section_line(const std::string& key) {
    std::string line = "[";
    line += encode(key);
    line += ']';
    return line;
}

std::string decode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string folded(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    while (!text.empty() && text.front() == '\\') {
        text.erase(0, 1);
    }
    return text;
}

// The key a section line opens, or nothing when the line is not one.
bool section_key(const std::string& line, std::string& key) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
        return false;
    }
    key = decode(line.substr(1, line.size() - 2));
    return true;
}

// The line index of the key's section, or lines.size().
std::size_t find_section(const std::vector<std::string>& lines, const std::string& key) {
    std::string found;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (section_key(lines[i], found) && folded(found) == folded(key)) {
            return i;
        }
    }
    return lines.size();
}

// Splits "name=type:text"; false for any other line.
bool value_line(const std::string& line, std::string& name, std::string& type, std::string& text) {
    const std::size_t equals = line.find('=');
    const std::size_t colon = line.find(':', equals == std::string::npos ? 0 : equals);
    if (equals == std::string::npos || colon == std::string::npos) {
        return false;
    }
    name = decode(line.substr(0, equals));
    type = line.substr(equals + 1, colon - equals - 1);
    text = decode(line.substr(colon + 1));
    return true;
}

} // namespace

FileSettingsStore::FileSettingsStore(std::string file) : file_(std::move(file)) {}

std::string FileSettingsStore::default_file() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/dopplex/registry";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/dopplex/registry";
}

bool FileSettingsStore::open_or_create_key(const std::string& key) {
    SettingsText text = read_settings_text(file_);
    std::vector<std::string>& lines = text.lines;
    if (find_section(lines, key) < lines.size()) {
        return true;
    }
    lines.push_back(section_line(key));
    try {
        write_settings_text(file_, text);
    } catch (const std::runtime_error&) {
        return false;
    }
    return true;
}

SettingsValue FileSettingsStore::read_value(const std::string& key, const std::string& name) {
    const std::vector<std::string> lines = read_settings_text(file_).lines;
    std::string other_key;
    std::string value_name;
    std::string type;
    std::string text;
    for (std::size_t i = find_section(lines, key) + 1; i < lines.size(); ++i) {
        if (section_key(lines[i], other_key)) {
            break;
        }
        if (value_line(lines[i], value_name, type, text) && folded(value_name) == folded(name)) {
            if (type == "sz") {
                return {SettingsValue::Type::Text, text};
            }
            if (type == "expand_sz") {
                return {SettingsValue::Type::ExpandableText, text};
            }
            return {SettingsValue::Type::Other, text};
        }
    }
    return {};
}

void FileSettingsStore::write_value(const std::string& key, const std::string& name,
                                    const std::string& type_word, const std::string& text) {
    SettingsText file_text = read_settings_text(file_);
    std::vector<std::string>& lines = file_text.lines;
    std::size_t section = find_section(lines, key);
    if (section == lines.size()) {
        lines.push_back(section_line(key));
    }
    const std::string line = encode(name) + "=" + type_word + ":" + encode(text);
    std::string other_key;
    std::string value_name;
    std::string type;
    std::string old_text;
    std::size_t i = section + 1;
    for (; i < lines.size() && !section_key(lines[i], other_key); ++i) {
        if (value_line(lines[i], value_name, type, old_text) &&
            folded(value_name) == folded(name)) {
            lines[i] = line;
            write_settings_text(file_, file_text);
            return;
        }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), line);
    write_settings_text(file_, file_text);
}

} // namespace dopplex::settings
