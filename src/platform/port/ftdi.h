// An FT232R/FT245R USB adapter in asynchronous bit-bang mode through libftdi1: all eight data
// pins are outputs, bit n on pin Dn. The adapter is opened at open() and held until close().
#pragma once

#include "port/port_backend.h"

#include <memory>
#include <string>

namespace dopplex::port {

// libftdi's asynchronous bit-bang mode (BITMODE_BITBANG), named here so that the backend builds
// without the library's header.
constexpr unsigned char ftdi_bitbang_mode = 0x01;

// The libftdi calls the backend makes, one method per call (the context is held inside); each
// answers what the library answers (negative on failure). Tests put a recorder here.
class FtdiCalls {
public:
    virtual ~FtdiCalls() = default;
    virtual int new_context() = 0; // 0, or -1 when ftdi_new() fails
    virtual int usb_open(int vendor, int product) = 0;
    virtual int set_bitmode(unsigned char mask, unsigned char mode) = 0;
    virtual int write_data(const unsigned char* data, int size) = 0; // bytes written
    virtual std::string error_string() = 0;
    virtual void usb_close() = 0;
    virtual void free_context() = 0;
};

// The real library; only in a build with libftdi1 (DOPPLEX_FTDI).
std::unique_ptr<FtdiCalls> system_ftdi_calls();

class FtdiPort final : public PortBackend {
public:
    FtdiPort(std::uint16_t vendor, std::uint16_t product, std::unique_ptr<FtdiCalls> calls);
    ~FtdiPort() override;

    std::string description() const override;
    void open() override;
    void write(std::uint16_t address, std::uint8_t data) override;
    void close() noexcept override;

private:
    [[noreturn]] void fail(const std::string& step, int result, const std::string& hint);
    std::string id() const; // "0403:6001"

    std::uint16_t vendor_;
    std::uint16_t product_;
    std::unique_ptr<FtdiCalls> calls_;
    bool context_ = false;
    bool usb_open_ = false;
    bool bitbang_ = false;
};

} // namespace dopplex::port
