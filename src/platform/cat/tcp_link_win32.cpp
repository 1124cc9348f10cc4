#include "cat/tcp_link.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <string_view>

namespace dopplex {

namespace {

// The system's text without its closing full stop, to read like the POSIX build's.
std::string reason(int error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length > 0 ? std::string(text, length) : std::string();
    ::LocalFree(text);
    while (!result.empty() && std::string_view(" \r\n.").find(result.back()) != std::string::npos) {
        result.pop_back();
    }
    return result.empty() ? "error " + std::to_string(error) : result;
}

// Once for the process, and never cleaned up: another link may be using it.
void start_winsock() {
    static const int error = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (error != 0) {
        throw std::runtime_error(reason(error));
    }
}

// Waits up to the connect wait for a non-blocking connect; 0 once connected.
int finish_connect(SOCKET s) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_SET(s, &writable);
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval wait{TcpLink::kConnectMs / 1000, TcpLink::kConnectMs % 1000 * 1000};
    const int rc = ::select(0, nullptr, &writable, &failed, &wait);
    if (rc == 0) {
        return WSAETIMEDOUT;
    }
    if (rc == SOCKET_ERROR) {
        return ::WSAGetLastError();
    }
    int error = 0;
    int length = sizeof error;
    ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    if (error == 0 && FD_ISSET(s, &failed)) {
        error = WSAECONNREFUSED;
    }
    return error;
}

// One address tried within the connect wait. The socket stays non-blocking: the reader waits on
// its events.
SOCKET connect_one(const addrinfo& ai, int& error) {
    const SOCKET s = ::socket(ai.ai_family, ai.ai_socktype, ai.ai_protocol);
    if (s == INVALID_SOCKET) {
        error = ::WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long non_blocking = 1;
    ::ioctlsocket(s, FIONBIO, &non_blocking);
    error = 0;
    if (::connect(s, ai.ai_addr, static_cast<int>(ai.ai_addrlen)) != 0) {
        error = ::WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            error = finish_connect(s);
        }
    }
    if (error != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    const BOOL one = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return s;
}

} // namespace

void TcpLink::open() {
    close();
    start_winsock();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &found);
    if (rc != 0) {
        throw std::runtime_error(reason(rc));
    }
    int error = 0;
    SOCKET s = INVALID_SOCKET;
    for (const addrinfo* ai = found; ai && s == INVALID_SOCKET; ai = ai->ai_next) {
        s = connect_one(*ai, error);
    }
    ::freeaddrinfo(found);
    if (s == INVALID_SOCKET) {
        throw std::runtime_error(reason(error));
    }
    socket_ = s;
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_ == nullptr) {
        const int e = static_cast<int>(::GetLastError());
        close();
        throw std::runtime_error(reason(e));
    }
    const WSAEVENT ready = ::WSACreateEvent();
    if (ready == WSA_INVALID_EVENT) {
        const int e = ::WSAGetLastError();
        close();
        throw std::runtime_error(reason(e));
    }
    ready_ = ready;
    if (::WSAEventSelect(s, ready, FD_READ | FD_CLOSE) != 0) {
        const int e = ::WSAGetLastError();
        close();
        throw std::runtime_error(reason(e));
    }
    reader_ = std::thread([this, s, stop = stop_, ready] { read_loop(s, stop, ready); });
}

void TcpLink::read_loop(std::uintptr_t socket, void* stop, void* ready) {
    const SOCKET s = socket;
    const HANDLE events[2] = {stop, ready};
    char buffer[4096];
    for (;;) {
        const DWORD woken = ::WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0) {
            return; // closed by us: nothing to tell
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            on_end_(reason(static_cast<int>(::GetLastError())));
            return;
        }
        WSANETWORKEVENTS seen{};
        if (::WSAEnumNetworkEvents(s, ready, &seen) != 0) {
            on_end_(reason(::WSAGetLastError()));
            return;
        }
        // What arrived before the end goes on first.
        for (;;) {
            const int n = ::recv(s, buffer, sizeof buffer, 0);
            if (n > 0) {
                on_bytes_(std::string(buffer, static_cast<std::size_t>(n)));
                continue;
            }
            if (n == 0) {
                on_end_("closed by the daemon");
                return;
            }
            const int error = ::WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                on_end_(reason(error));
                return;
            }
            break;
        }
        if (seen.lNetworkEvents & FD_CLOSE) {
            const int error = seen.iErrorCode[FD_CLOSE_BIT];
            on_end_(error != 0 ? reason(error) : "closed by the daemon");
            return;
        }
    }
}

void TcpLink::send(const std::string& bytes) {
    if (socket_ == INVALID_SOCKET) {
        throw std::runtime_error("not connected");
    }
    const SOCKET s = socket_;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - done, INT_MAX));
        const int n = ::send(s, bytes.data() + done, chunk, 0);
        if (n != SOCKET_ERROR) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        const int error = ::WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            throw std::runtime_error(reason(error));
        }
        // Non-blocking for the reader's sake: wait until the socket takes more, as a blocking
        // send would.
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        if (::select(0, nullptr, &writable, nullptr, nullptr) == SOCKET_ERROR) {
            throw std::runtime_error(reason(::WSAGetLastError()));
        }
    }
}

void TcpLink::close() {
    if (stop_ != nullptr) {
        ::SetEvent(stop_);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    if (socket_ != INVALID_SOCKET) {
        ::closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
    if (ready_ != nullptr) {
        ::WSACloseEvent(ready_);
        ready_ = nullptr;
    }
    if (stop_ != nullptr) {
        ::CloseHandle(stop_);
        stop_ = nullptr;
    }
}

} // namespace dopplex
