// Runs the tool three times in this program's console (the test starts Wine on a pseudo-terminal,
// so there is one) with standard output to a pipe, and reports what the tool did with the
// console's input: the input mode before, at the pause's prompt and after each run, the keys
// typed before the prompt, the keys the pause consumed, and the exit codes.
// Usage: fwu_console_session.exe TOOL REPORT_FILE
// With --interrupt it runs the tool once against the machine the test emulates, presses Ctrl+C
// and Ctrl+Break once the tool has named the disk it updates (the pieces are being sent), then a
// key at the prompt; it writes the tool's whole output to OUTPUT_FILE and the exit code to the
// report.
// Usage: fwu_console_session.exe --interrupt TOOL REPORT_FILE OUTPUT_FILE
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr char kPrompt[] = "Press any key to continue . . . ";

HANDLE g_console = nullptr;

// The Ctrl+C this program sends is for the tool.
BOOL WINAPI IgnoreControl(DWORD) {
    return TRUE;
}

struct Run {
    HANDLE process = nullptr;
    HANDLE output = nullptr;  // read end of the tool's standard output
    std::string text;
};

bool Start(const wchar_t* tool, HANDLE input, Run& run) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return false;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + std::wstring(tool) + L"\"";
    const BOOL ok = CreateProcessW(tool, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &info);
    CloseHandle(writeEnd);
    if (!ok) {
        CloseHandle(readEnd);
        return false;
    }
    CloseHandle(info.hThread);
    run.process = info.hProcess;
    run.output = readEnd;
    return true;
}

// One piece of the tool's output; false at its end.
bool ReadPiece(Run& run) {
    char buffer[256];
    DWORD got = 0;
    if (!ReadFile(run.output, buffer, sizeof buffer, &got, nullptr) || got == 0) {
        return false;
    }
    run.text.append(buffer, got);
    return true;
}

// Reads the tool's output until it holds the text; false at the end of the output.
bool ReadUntil(Run& run, const char* text) {
    while (run.text.find(text) == std::string::npos) {
        if (!ReadPiece(run)) {
            return false;
        }
    }
    return true;
}

// The rest of the output, then the exit code.
DWORD Finish(Run& run) {
    while (ReadPiece(run)) {
    }
    WaitForSingleObject(run.process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(run.process, &code);
    CloseHandle(run.process);
    CloseHandle(run.output);
    return code;
}

INPUT_RECORD Key(WORD virtualKey, wchar_t character, bool down) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.UnicodeChar = character;
    return record;
}

DWORD Mode() {
    DWORD mode = 0;
    GetConsoleMode(g_console, &mode);
    return mode;
}

DWORD KeysWaiting() {
    DWORD count = 0;
    GetNumberOfConsoleInputEvents(g_console, &count);
    return count;
}

const char* QuickEdit(DWORD mode) {
    return (mode & ENABLE_QUICK_EDIT_MODE) ? "on" : "off";
}

const char* AsBefore(DWORD mode, DWORD before) {
    return mode == before ? "as before" : "changed";
}

int Interrupt(const wchar_t* tool, FILE* report, const wchar_t* outputPath) {
    Run run;
    if (!Start(tool, g_console, run) || !ReadUntil(run, "Update FW : ")) {
        std::fputs("the tool did not name a disk to update\n", report);
        return 4;
    }
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0);
    if (!ReadUntil(run, kPrompt)) {
        std::fputs("the tool did not reach its prompt\n", report);
        return 4;
    }
    DWORD written = 0;
    const INPUT_RECORD key = Key('A', L'a', true);
    WriteConsoleInputW(g_console, &key, 1, &written);
    std::fprintf(report, "exit code: %lu\n", Finish(run));
    FILE* output = _wfopen(outputPath, L"wb");
    if (output == nullptr) {
        return 2;
    }
    std::fwrite(run.text.data(), 1, run.text.size(), output);
    std::fclose(output);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool interrupt = argc == 5 && std::wcscmp(argv[1], L"--interrupt") == 0;
    if (interrupt) {
        ++argv;
        --argc;
    }
    if (argc != 3 && !(interrupt && argc == 4)) {
        std::fputs("usage: fwu_console_session.exe [--interrupt] TOOL REPORT_FILE [OUTPUT_FILE]\n",
                   stderr);
        return 2;
    }
    const wchar_t* tool = argv[1];
    FILE* report = _wfopen(argv[2], L"wb");
    if (report == nullptr) {
        return 2;
    }
    g_console = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(g_console, &mode)) {
        std::fputs("no console\n", report);
        std::fclose(report);
        return 3;
    }
    SetConsoleCtrlHandler(IgnoreControl, TRUE);
    if (interrupt) {
        const int result = Interrupt(tool, report, argv[3]);
        std::fclose(report);
        return result;
    }
    SetConsoleMode(g_console, mode | ENABLE_QUICK_EDIT_MODE | ENABLE_EXTENDED_FLAGS);
    const DWORD before = Mode();
    std::fprintf(report, "QuickEdit before: %s\n", QuickEdit(before));

    // A key typed during the run; at the prompt, Shift alone, a key released, two key presses.
    DWORD written = 0;
    const INPUT_RECORD early = Key('X', L'x', true);
    WriteConsoleInputW(g_console, &early, 1, &written);
    Run run;
    if (!Start(tool, g_console, run) || !ReadUntil(run, kPrompt)) {
        std::fputs("the tool did not reach its prompt\n", report);
        std::fclose(report);
        return 4;
    }
    const DWORD atPrompt = Mode();
    std::fprintf(report, "QuickEdit at the prompt: %s\n", QuickEdit(atPrompt));
    std::fprintf(report, "keys waiting at the prompt: %lu\n", KeysWaiting());
    const INPUT_RECORD keys[] = {Key(VK_SHIFT, 0, true), Key('A', L'a', false),
                                 Key('B', L'b', true), Key('C', L'c', true)};
    WriteConsoleInputW(g_console, keys, 4, &written);
    std::fprintf(report, "exit code after the key: %lu\n", Finish(run));
    std::fprintf(report, "keys left after the key: %lu\n", KeysWaiting());
    const DWORD afterKey = Mode();
    std::fprintf(report, "mode after the key: %s\n", AsBefore(afterKey, before));
    FlushConsoleInputBuffer(g_console);

    // Ctrl+C at the prompt.
    Run interrupted;
    if (!Start(tool, g_console, interrupted) || !ReadUntil(interrupted, kPrompt)) {
        std::fputs("the tool did not reach its prompt\n", report);
        std::fclose(report);
        return 4;
    }
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    std::fprintf(report, "exit code after Ctrl+C: %lu\n", Finish(interrupted));
    const DWORD afterControl = Mode();
    std::fprintf(report, "mode after Ctrl+C: %s\n", AsBefore(afterControl, before));

    // Standard input from a pipe, in the console: the byte written at the prompt ends the pause.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE pipeRead = nullptr;
    HANDLE pipeWrite = nullptr;
    CreatePipe(&pipeRead, &pipeWrite, &inherit, 0);
    SetHandleInformation(pipeWrite, HANDLE_FLAG_INHERIT, 0);
    Run piped;
    const bool started = Start(tool, pipeRead, piped);
    CloseHandle(pipeRead);
    if (!started || !ReadUntil(piped, kPrompt)) {
        std::fputs("the tool did not reach its prompt\n", report);
        std::fclose(report);
        return 4;
    }
    const DWORD pipedAtPrompt = Mode();
    std::fprintf(report, "QuickEdit at the prompt, input from a pipe: %s\n",
                 QuickEdit(pipedAtPrompt));
    WriteFile(pipeWrite, "y", 1, &written, nullptr);
    std::fprintf(report, "exit code, input from a pipe: %lu\n", Finish(piped));
    CloseHandle(pipeWrite);
    const DWORD afterPiped = Mode();
    std::fprintf(report, "mode after, input from a pipe: %s\n", AsBefore(afterPiped, before));

    std::fprintf(report, "modes: before %#lx, at the prompt %#lx, after %#lx %#lx %#lx\n", before,
                 atPrompt, afterKey, afterControl, afterPiped);
    std::fclose(report);
    return 0;
}
