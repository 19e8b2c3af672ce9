#include "sim/sim_console.h"

#include "platform/text.h"

namespace sim {

void SimConsole::WriteWideLine(std::u16string_view text) {
    m_transcript += platform::EncodeUtf8(text);
    m_transcript += '\n';
}

void SimConsole::WriteNarrow(std::string_view text) {
    m_transcript += text;
}

void SimConsole::PrintWide(std::u16string_view text) {
    m_transcript += platform::EncodeUtf8(text);
}

void SimConsole::Pause() {
    ++m_pauses;
    m_transcript += kPausePrompt;
    if (!m_keys.empty()) {
        m_keys.erase(0, 1);
    }
    // cmd's pause ends its prompt line once a key is read.
    m_transcript += '\n';
}

}  // namespace sim
