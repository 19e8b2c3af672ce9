#include "app/recorded_console.h"

#include "platform/text.h"

namespace app {

void RecordedConsole::WriteWideLine(std::u16string_view text) {
    m_console.WriteWideLine(text);
    m_text += text;
    m_text += u'\n';
}

void RecordedConsole::WriteNarrow(std::string_view text) {
    m_console.WriteNarrow(text);
    m_text += platform::WidenUnsigned(text);
}

void RecordedConsole::PrintWide(std::u16string_view text) {
    m_console.PrintWide(text);
    m_text += text;
}

}  // namespace app
