#include "port/os_error.h"

#include <cerrno>
#include <cstring>

namespace dopplex::port {
namespace {

const char* errno_name(int error) {
    switch (error) {
    case ENOENT:
        return "ENOENT";
    case EACCES:
        return "EACCES";
    case EPERM:
        return "EPERM";
    case EBUSY:
        return "EBUSY";
    case ENXIO:
        return "ENXIO";
    case ENODEV:
        return "ENODEV";
    case ENOSYS:
        return "ENOSYS";
    case EIO:
        return "EIO";
    case EINVAL:
        return "EINVAL";
    case ENOSPC:
        return "ENOSPC";
    case ENOTTY:
        return "ENOTTY";
    default:
        return nullptr;
    }
}

} // namespace

std::string errno_text(int error) {
    // strerror() is not thread-safe; strerrordesc_np() needs glibc 2.32, strerror_r is portable.
    char buffer[128] = {};
    std::string text;
#if defined(_WIN32)
    text = strerror_s(buffer, sizeof buffer, error) == 0 ? buffer : "unknown error";
#elif defined(__GLIBC__) && defined(_GNU_SOURCE)
    text = strerror_r(error, buffer, sizeof buffer);
#else
    text = strerror_r(error, buffer, sizeof buffer) == 0 ? buffer : "unknown error";
#endif
    if (const char* name = errno_name(error)) {
        return std::string(name) + ", " + text;
    }
    return "error " + std::to_string(error) + ", " + text;
}

} // namespace dopplex::port
