// The description of a run's event: its console text as Windows shows it in the Application
// log.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

// ReportEventW takes at most 31,839 characters in one insertion string.
inline constexpr std::size_t kMaxEventText = 31839;
inline constexpr std::u16string_view kEventTextCut =
    u"[The beginning of this run's output was left out: an event holds at most 31,839 "
    u"characters.]";

// CR LF line ends; a space for each U+0000; a word joiner (U+2060) after each '%' that a digit, '%'
// or '{' follows, as the event viewers read "%1", "%%1" and "%{...}" in a description again as
// insertion codes, with no escape. Past kMaxEventText characters the beginning is left out: the
// text then opens with the kEventTextCut line and goes on from the start of a line.
std::u16string EventText(std::u16string_view consoleText);

}  // namespace app
