// Runs a program and prints its whole 32-bit exit code as Windows reports it, which Wine's
// process status (the low 8 bits) cannot show.
// Usage: fwu_exit_code.exe [--nul-input] PROGRAM [ARGUMENTS...]
// The program inherits this process's standard handles (with --nul-input, its standard input
// is the NUL device instead); the code goes to standard error.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Quotes one argument the way the C runtime splits a command line.
std::wstring Quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE nul = INVALID_HANDLE_VALUE;
    if (argc > 1 && std::wstring(argv[1]) == L"--nul-input") {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
        if (nul == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "cannot open NUL: error %lu\n", GetLastError());
            return 2;
        }
        input = nul;
        first = 2;
    }
    if (argc <= first) {
        std::fputs("usage: fwu_exit_code.exe [--nul-input] PROGRAM [ARGUMENTS...]\n", stderr);
        return 2;
    }
    std::wstring commandLine;
    for (int i = first; i < argc; ++i) {
        if (i > first) {
            commandLine.push_back(L' ');
        }
        commandLine += Quote(argv[i]);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(argv[first], commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    if (nul != INVALID_HANDLE_VALUE) {
        CloseHandle(nul);
    }
    if (!started) {
        std::fprintf(stderr, "cannot start the program: error %lu\n", GetLastError());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    const BOOL ok = GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ok) {
        std::fprintf(stderr, "no exit code: error %lu\n", GetLastError());
        return 2;
    }
    std::fprintf(stderr, "EXIT CODE %lu\n", code);
    std::fflush(stderr);
    return 0;
}
