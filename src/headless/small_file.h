// The whole of a file that a person or dopplexd itself wrote (a configuration or the state file),
// read only if it is small: a wrong path (a log, an image, a device that never ends) is refused
// before it can fill the memory. Throws ConfigError naming the file.
#pragma once

#include "daemon_config.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace dopplex::headless {

// Far more than any configuration or state file holds.
inline constexpr std::size_t kSmallFileBytes = 1 << 20;

// nullopt: there is no such file. A file larger than `limit_bytes`, or one that grows past it
// while it is read, is an error.
std::optional<std::string> read_small_file(const std::filesystem::path& file,
                                           std::size_t limit_bytes = kSmallFileBytes);

} // namespace dopplex::headless
