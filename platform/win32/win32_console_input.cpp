#include "platform/win32/win32_console_input.h"

#include <windows.h>

#include <atomic>

#include "platform/win32/win32_handles.h"

namespace platform::win32 {

namespace {

// What the console control handler needs; Windows runs the handler on a thread of its own.
struct InputState {
    HANDLE input = nullptr;  // standard input
    bool inputIsConsole = false;
    // The console's input, for its mode: standard input, or CONIN$ when standard input is
    // redirected in a console window (null without a console).
    HANDLE console = nullptr;
    KernelHandle consoleOpened;
    DWORD originalMode = 0;
    bool quickEditTurnedOff = false;
    KernelHandle keyEvent;  // set by a Ctrl+C or Ctrl+Break once they are the pause's key
    std::atomic<ConsoleKeys> keys{ConsoleKeys::EndProcess};
    bool handlerRegistered = false;
};

InputState g_state;

void RestoreMode() {
    if (!g_state.quickEditTurnedOff) {
        return;
    }
    // QuickEdit and insert mode are set only together with ENABLE_EXTENDED_FLAGS.
    SetConsoleMode(g_state.console, g_state.originalMode | ENABLE_EXTENDED_FLAGS);
}

BOOL WINAPI OnConsoleControl(DWORD type) {
    // A closed window, a logoff or a shutdown ends the process whatever the handler answers.
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        switch (g_state.keys.load()) {
            case ConsoleKeys::Ignored:
                return TRUE;
            case ConsoleKeys::PauseKey:
                // Redirected input is read with ReadFile, which the key cannot end.
                if (g_state.inputIsConsole && g_state.keyEvent.Valid()) {
                    SetEvent(g_state.keyEvent.Get());
                    return TRUE;
                }
                break;
            case ConsoleKeys::EndProcess:
                break;
        }
    }
    // The next handler, Windows' own, ends the process: give the console its mode back first.
    RestoreMode();
    return FALSE;
}

// A key pressed down, other than a modifier or lock key alone (which cmd's pause ignores too).
bool IsKeyPress(const INPUT_RECORD& record) {
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) {
        return false;
    }
    switch (record.Event.KeyEvent.wVirtualKeyCode) {
        case VK_SHIFT:
        case VK_CONTROL:
        case VK_MENU:
        case VK_LWIN:
        case VK_RWIN:
        case VK_CAPITAL:
        case VK_NUMLOCK:
        case VK_SCROLL:
            return false;
        default:
            return true;
    }
}

void WaitForConsoleKey() {
    g_state.keys = ConsoleKeys::PauseKey;
    const HANDLE waits[] = {g_state.input, g_state.keyEvent.Get()};
    const DWORD count = waits[1] != nullptr ? 2 : 1;
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, INFINITE);
        if (woken != WAIT_OBJECT_0) {
            return;  // Ctrl+C or Ctrl+Break, or a wait that failed: never hang here
        }
        INPUT_RECORD record{};
        DWORD read = 0;
        if (!ReadConsoleInputW(g_state.input, &record, 1, &read) || read == 0) {
            return;
        }
        if (IsKeyPress(record)) {
            return;
        }
    }
}

}  // namespace

void SetConsoleKeys(ConsoleKeys keys) {
    g_state.keys = keys;
}

ConsoleInput::ConsoleInput() {
    g_state.keys = ConsoleKeys::EndProcess;
    g_state.handlerRegistered = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != FALSE;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    g_state.input = input == INVALID_HANDLE_VALUE ? nullptr : input;
    DWORD mode = 0;
    g_state.inputIsConsole = g_state.input != nullptr && GetConsoleMode(g_state.input, &mode);
    if (g_state.inputIsConsole) {
        g_state.console = g_state.input;
    } else {
        g_state.consoleOpened = KernelHandle(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                         nullptr, OPEN_EXISTING, 0, nullptr));
        g_state.console = g_state.consoleOpened.Get();
    }
    if (g_state.console == nullptr || !GetConsoleMode(g_state.console, &g_state.originalMode)) {
        g_state.console = nullptr;
        g_state.consoleOpened.Reset();
        return;
    }
    g_state.keyEvent = KernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if ((g_state.originalMode & ENABLE_QUICK_EDIT_MODE) != 0) {
        g_state.quickEditTurnedOff =
            SetConsoleMode(g_state.console, (g_state.originalMode & ~ENABLE_QUICK_EDIT_MODE) |
                                                ENABLE_EXTENDED_FLAGS);
    }
}

ConsoleInput::~ConsoleInput() {
    if (g_state.handlerRegistered) {
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
        g_state.handlerRegistered = false;
    }
    g_state.keys = ConsoleKeys::EndProcess;
    if (g_state.console == nullptr) {
        return;
    }
    RestoreMode();
    g_state.quickEditTurnedOff = false;
    g_state.keyEvent.Reset();
    g_state.console = nullptr;
    g_state.consoleOpened.Reset();
}

void ConsoleInput::DiscardTypedKeys() {
    if (g_state.inputIsConsole) {
        FlushConsoleInputBuffer(g_state.input);
    }
}

void ConsoleInput::WaitForKey() {
    if (g_state.inputIsConsole) {
        WaitForConsoleKey();
        return;
    }
    if (g_state.input == nullptr) {
        return;
    }
    // cmd reads one byte of redirected input; at the end of a file, of NUL or of a closed pipe
    // ReadFile gives nothing (or fails) and the pause goes on.
    char byte = 0;
    DWORD read = 0;
    ReadFile(g_state.input, &byte, 1, &read, nullptr);
}

}  // namespace platform::win32
