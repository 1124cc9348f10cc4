// The libftdi1 calls behind the FTDI backend; left out of a build without libftdi1.
#include "port/ftdi.h"

#include <ftdi.h>

namespace dopplex::port {
namespace {

static_assert(ftdi_bitbang_mode == BITMODE_BITBANG);

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

} // namespace

std::unique_ptr<FtdiCalls> system_ftdi_calls() {
    return std::make_unique<SystemFtdiCalls>();
}

} // namespace dopplex::port
