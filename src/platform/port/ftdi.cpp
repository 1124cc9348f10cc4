#include "port/ftdi.h"

#include <cstdio>
#include <ftdi.h>

namespace dopplex::port {
namespace {

// Short USB timeouts: a dying adapter must not hold the engine for the library's 5 s default.
constexpr int usb_timeout_ms = 500;

class SystemFtdiCalls final : public FtdiCalls {
public:
    ~SystemFtdiCalls() override {
        usb_close();
        free_context();
    }

    int new_context() override {
        context_ = ftdi_new();
        if (context_ == nullptr) {
            return -1;
        }
        context_->usb_read_timeout = usb_timeout_ms;
        context_->usb_write_timeout = usb_timeout_ms;
        return 0;
    }
    int usb_open(int vendor, int product) override {
        const int result = ftdi_usb_open(context_, vendor, product);
        opened_ = result == 0;
        return result;
    }
    int set_bitmode(unsigned char mask, unsigned char mode) override {
        return ftdi_set_bitmode(context_, mask, mode);
    }
    int write_data(const unsigned char* data, int size) override {
        return ftdi_write_data(context_, data, size);
    }
    std::string error_string() override {
        const char* text = context_ != nullptr ? ftdi_get_error_string(context_) : nullptr;
        return text != nullptr ? text : "no details";
    }
    void usb_close() override {
        if (opened_) {
            ftdi_usb_close(context_);
            opened_ = false;
        }
    }
    void free_context() override {
        if (context_ != nullptr) {
            ftdi_free(context_);
            context_ = nullptr;
        }
    }

private:
    ftdi_context* context_ = nullptr;
    bool opened_ = false;
};

std::string open_hint(const std::string& id, int result) {
    switch (result) {
    case -3:
        return "no FTDI adapter " + id + " on USB: is it plugged in? (lsusb lists it)";
    case -4:
        return "no permission for the USB adapter " + id +
               ": give the group \"plugdev\" access with a udev rule, join the group \"plugdev\" "
               "and log in again (see docs/ports.md)";
    case -5:
        return "the adapter is held by another driver or program (the serial driver ftdi_sio: "
               "modprobe -r ftdi_sio)";
    default:
        return "check the adapter and its cable";
    }
}

} // namespace

std::unique_ptr<FtdiCalls> system_ftdi_calls() {
    return std::make_unique<SystemFtdiCalls>();
}

FtdiPort::FtdiPort(std::uint16_t vendor, std::uint16_t product, std::unique_ptr<FtdiCalls> calls)
    : vendor_(vendor), product_(product), calls_(std::move(calls)) {}

FtdiPort::~FtdiPort() {
    close();
}

std::string FtdiPort::id() const {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", static_cast<unsigned>(vendor_),
                  static_cast<unsigned>(product_));
    return text;
}

std::string FtdiPort::description() const {
    return "FTDI bit-bang " + id();
}

void FtdiPort::open() {
    close();
    if (calls_->new_context() < 0) {
        throw PortError("starting the USB library for FTDI adapter " + id() +
                        " failed: is USB available here?");
    }
    context_ = true;
    if (const int result = calls_->usb_open(vendor_, product_); result < 0) {
        fail("opening FTDI adapter " + id(), result, open_hint(id(), result));
    }
    usb_open_ = true;
    if (const int result = calls_->set_bitmode(0xFF, BITMODE_BITBANG); result < 0) {
        fail("switching FTDI adapter " + id() + " to bit-bang mode", result,
             "is it an FT232R or FT245R?");
    }
    bitbang_ = true;
}

void FtdiPort::fail(const std::string& step, int result, const std::string& hint) {
    const std::string details = calls_->error_string();
    close();
    throw PortError(step + " failed (libftdi " + std::to_string(result) + ": " + details +
                    "): " + hint);
}

void FtdiPort::write(std::uint16_t /*address*/, std::uint8_t data) {
    if (!bitbang_) {
        throw PortError("FTDI adapter " + id() + " is not open");
    }
    const unsigned char byte = data;
    if (const int result = calls_->write_data(&byte, 1); result != 1) {
        fail("writing to FTDI adapter " + id(), result, "was it unplugged?");
    }
}

void FtdiPort::close() noexcept {
    if (bitbang_ || usb_open_) {
        calls_->usb_close();
        bitbang_ = false;
        usb_open_ = false;
    }
    if (context_) {
        calls_->free_context();
        context_ = false;
    }
}

} // namespace dopplex::port
