// The simulated console: captures what the tool writes on its three channels, in order, as the
// UTF-8 text a Linux terminal would show, and serves the pause from a queue of keys.
#pragma once

#include <cstdint>
#include <string>

#include "platform/console.h"

namespace sim {

class SimConsole : public platform::Console {
public:
    static constexpr std::string_view kPausePrompt = platform::kPausePrompt;

    void WriteWideLine(std::u16string_view text) override;
    void WriteNarrow(std::string_view text) override;
    void PrintWide(std::u16string_view text) override;
    void Pause() override;
    bool InSessionZero() override { return m_session == 0; }

    // Keys the user will press; at end of input the pause goes on by itself.
    void SetKeys(std::string keys) { m_keys = std::move(keys); }
    // The process's session (1 by default: a user's; 0 where SYSTEM's deployment agents run).
    void SetSession(std::uint32_t session) { m_session = session; }

    const std::string& Transcript() const { return m_transcript; }
    int PauseCount() const { return m_pauses; }

private:
    std::string m_transcript;
    std::string m_keys;
    int m_pauses = 0;
    std::uint32_t m_session = 1;
};

}  // namespace sim
