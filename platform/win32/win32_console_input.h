// Standard input as the run uses it: the console's input mode for the run (QuickEdit off) and
// the key the final pause waits for. One object at a time, made before the run and destroyed
// after it.
#pragma once

namespace platform::win32 {

// What Ctrl+C and Ctrl+Break do: end the process (Windows' own handler, before the update),
// nothing (during it), or end the final pause (after the report).
enum class ConsoleKeys { EndProcess, Ignored, PauseKey };
// Switches the console control handler of the ConsoleInput alive; it is registered whenever a
// ConsoleInput exists, console or not, as a hidden console can still send the keys.
void SetConsoleKeys(ConsoleKeys keys);

class ConsoleInput {
public:
    // In a console with QuickEdit on, turns it off: while text is selected with the mouse the
    // console blocks every write, and a stray click would stall the update at its next line.
    ConsoleInput();
    // The input mode as it was. A Ctrl+C, Ctrl+Break or a closed window that ends the process
    // during the run restores it too, before the process ends.
    ~ConsoleInput();
    ConsoleInput(const ConsoleInput&) = delete;
    ConsoleInput& operator=(const ConsoleInput&) = delete;

    // Before the prompt: a console forgets the keys typed during the run.
    void DiscardTypedKeys();
    // A console: one key press (key-down; Shift, Ctrl, Alt and the lock keys alone do not
    // count), Ctrl+C and Ctrl+Break included, none of which ends the process from then on.
    // A file, NUL or a pipe: one byte, or the end of input.
    void WaitForKey();
};

}  // namespace platform::win32
