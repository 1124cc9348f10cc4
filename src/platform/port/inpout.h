// The Windows port library: inpoutx64.dll (64-bit programs) or inpout32.dll (32-bit), with the
// kernel driver it installs, loaded at open() from the program's folder, else from the system's
// search path. Writes go to the address the backend was made for, through Out32.
// open() throws PortError saying what to install when the library is missing, lacks Out32, or
// says its driver is not open (installing the driver needs administrator rights once).
#pragma once

#include "port/port_backend.h"

#include <string>

namespace dopplex::port {

// The library's file name for this build: inpoutx64.dll or inpout32.dll.
const char* inpout_library_name();

class InpOutPort final : public PortBackend {
public:
    // library: the DLL's file name; tests load a stand-in of their own.
    explicit InpOutPort(std::uint16_t address, std::string library = inpout_library_name());
    ~InpOutPort() override;

    std::string description() const override;
    void open() override;
    void write(std::uint16_t address, std::uint8_t data) override;
    void close() noexcept override;

private:
    using Out32Function = void(__stdcall*)(short port, short data);

    std::uint16_t address_;
    std::string library_;
    void* module_ = nullptr; // HMODULE
    Out32Function out32_ = nullptr;
};

} // namespace dopplex::port
