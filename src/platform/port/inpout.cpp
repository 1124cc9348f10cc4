#include "port/inpout.h"

#include "port/address_text.h"

#include <windows.h>

namespace dopplex::port {
namespace {

using DriverOpenFunction = BOOL(__stdcall*)();

std::string program_folder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// Beside the program first, so the copy the operator put there wins over an older one
// installed elsewhere; then the usual search, which includes the system folders.
HMODULE load(const std::string& library) {
    if (const std::string folder = program_folder(); !folder.empty()) {
        if (HMODULE module = LoadLibraryA((folder + library).c_str())) {
            return module;
        }
    }
    return LoadLibraryA(library.c_str());
}

// GetProcAddress answers a FARPROC; the library's functions have other signatures.
template <typename Function> Function find(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

constexpr const char* kWithoutHardware =
    " (to try Dopplex without hardware, start it as dopplex.exe --port virtual)";

std::string install_hint(const std::string& library) {
    return "install InpOut32 (its " + library +
           " beside dopplex.exe or on the system path) and start Dopplex once as administrator, "
           "so the library can install its driver" +
           kWithoutHardware;
}

} // namespace

const char* inpout_library_name() {
    return sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";
}

InpOutPort::InpOutPort(std::uint16_t address, std::string library)
    : address_(address), library_(std::move(library)) {}

InpOutPort::~InpOutPort() {
    close();
}

std::string InpOutPort::description() const {
    return "inpout at " + hex_address(address_) + " (" + library_ + ")";
}

void InpOutPort::open() {
    close();
    HMODULE module = load(library_);
    if (module == nullptr) {
        throw PortError(library_ + " was not found (error " + std::to_string(GetLastError()) +
                        "): " + install_hint(library_));
    }
    const auto out32 = find<Out32Function>(module, "Out32");
    if (out32 == nullptr) {
        FreeLibrary(module);
        throw PortError(library_ + " has no function Out32, so it is not InpOut32's library: " +
                        install_hint(library_));
    }
    // Versions before 1.5 lack the question; their driver shows itself at the first write.
    const auto driver_open = find<DriverOpenFunction>(module, "IsInpOutDriverOpen");
    if (driver_open != nullptr && driver_open() == 0) {
        FreeLibrary(module);
        throw PortError(library_ +
                        " is loaded but its driver is not open: start Dopplex once "
                        "as administrator, so the library can install the driver" +
                        std::string(kWithoutHardware));
    }
    module_ = module;
    out32_ = out32;
}

void InpOutPort::write(std::uint16_t /*address*/, std::uint8_t data) {
    if (out32_ == nullptr) {
        throw PortError(library_ + " is not loaded");
    }
    out32_(static_cast<short>(address_), static_cast<short>(data));
}

void InpOutPort::close() noexcept {
    if (module_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(module_));
        module_ = nullptr;
        out32_ = nullptr;
    }
}

} // namespace dopplex::port
