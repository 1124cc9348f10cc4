#include "port/ftdi.h"

#include <cstdio>

namespace dopplex::port {
namespace {

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
    if (const int result = calls_->set_bitmode(0xFF, ftdi_bitbang_mode); result < 0) {
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
