// Stands in for InpOut32's library in tests: Out32 appends "<port> <data>" lines to the file
// named by DOPPLEX_INPOUT_STANDIN_LOG; IsInpOutDriverOpen answers 0 while
// DOPPLEX_INPOUT_STANDIN_DRIVER is "closed". Built once more without Out32.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string environment(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

} // namespace

extern "C" {

#ifndef DOPPLEX_STANDIN_WITHOUT_OUT32
__declspec(dllexport) void __stdcall Out32(short port, short data) {
    const std::string path = environment("DOPPLEX_INPOUT_STANDIN_LOG");
    if (FILE* log = path.empty() ? nullptr : std::fopen(path.c_str(), "ab")) {
        std::fprintf(log, "%d %d\n", port, data);
        std::fclose(log);
    }
}
#endif

__declspec(dllexport) BOOL __stdcall IsInpOutDriverOpen() {
    return environment("DOPPLEX_INPOUT_STANDIN_DRIVER") == "closed" ? 0 : 1;
}

} // extern "C"
