// A private temporary folder for one test (mode 0700), named by the test and the process id so
// that tests running side by side never share a path. Its removal tolerates a peer (a tracker
// the test started) removing its own files at the same moment.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace dopplex::test {

class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info == nullptr
                               ? std::string("dopplex")
                               : std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                              (c >= '0' && c <= '9') || c == '.' || c == '-';
            if (!keep) {
                c = '_';
            }
        }
        // A socket path inside must stay within sun_path (108 bytes).
        name.resize(std::min<std::size_t>(name.size(), 40));
        std::string pattern = (std::filesystem::temp_directory_path() /
                               ("dopplex-" + name + "-" + std::to_string(getpid()) + "-XXXXXX"))
                                  .string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::filesystem::filesystem_error(
                "cannot create a scratch folder", pattern,
                std::error_code(errno, std::generic_category()));
        }
        path_ = pattern;
    }
    ~ScratchDir() {
        // A file that vanishes between listing and removal fails one pass; the next one
        // finds it gone.
        std::error_code error;
        for (int attempt = 0; attempt < 50; ++attempt) {
            std::filesystem::remove_all(path_, error);
            if (!error) {
                return;
            }
        }
        ADD_FAILURE() << "cannot remove " << path_ << ": " << error.message();
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace dopplex::test
