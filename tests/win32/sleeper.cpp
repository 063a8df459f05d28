// A stand-in for the outside programs the Delete button meets: one that runs for a while (and,
// copied under another name, passes for the adware's host process), one that keeps a file
// locked, and one that tells which arguments its command line split into.
//   sleeper <ms>                   sleeps, exits 0
//   sleeper hold <path> <ms>       opens path sharing only reading and keeps it <ms>
//   sleeper args <out> <arg>...    writes the number of <arg>s, then each on a line, to <out>
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sys/win32/Handles.h"

namespace {

constexpr int kUsage = 64;
constexpr int kCannotOpen = 65;

DWORD Milliseconds(const char* text) {
    return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

// The path is taken from the wide command line, so that any name, of any length, is held.
int Hold(DWORD milliseconds) {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr || count != 4) {
        return kUsage;
    }
    const kr8::UniqueHandle file(::CreateFileW(arguments[2], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ::LocalFree(arguments);
    if (!file) {
        return kCannotOpen;
    }
    ::Sleep(milliseconds);
    return 0;
}

int WriteArguments(const char* out, int count, char** arguments) {
    std::ofstream file(out, std::ios::binary);
    file << count << '\n';
    for (int i = 0; i < count; ++i) {
        file << arguments[i] << '\n';
    }
    return file ? 0 : kCannotOpen;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc == 2) {
        ::Sleep(Milliseconds(argv[1]));
        return 0;
    }
    if (mode == "hold" && argc == 4) {
        return Hold(Milliseconds(argv[3]));
    }
    if (mode == "args" && argc >= 3) {
        return WriteArguments(argv[2], argc - 3, argv + 3);
    }
    std::fprintf(stderr, "usage: sleeper <ms> | hold <path> <ms> | args <out> <arg>...\n");
    return kUsage;
}
