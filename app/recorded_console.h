// The console of a run, copied as it is written: every line of the three channels goes on to
// the real console and into Text(), the record the run's event carries. The pause is passed on
// and not recorded.
#pragma once

#include <string>

#include "platform/console.h"

namespace app {

class RecordedConsole final : public platform::Console {
public:
    explicit RecordedConsole(platform::Console& console) : m_console(console) {}

    void WriteWideLine(std::u16string_view text) override;
    void WriteNarrow(std::string_view text) override;
    void PrintWide(std::u16string_view text) override;
    void Pause() override { m_console.Pause(); }
    bool InSessionZero() override { return m_console.InSessionZero(); }

    // Everything written so far, with the tool's own line ends ("\n").
    const std::u16string& Text() const { return m_text; }

private:
    platform::Console& m_console;
    std::u16string m_text;
};

}  // namespace app
