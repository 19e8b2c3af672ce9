// The run's event: its ID and type by the first row of the outcome table that applies, and its
// text cut to what one event holds, keeping the end of the run.
#include <gtest/gtest.h>

#include <string>

#include "app/event_text.h"
#include "app/run_outcome.h"
#include "platform/text.h"

namespace {

using platform::EventType;

struct OutcomeCase {
    const char* name;
    app::RunFacts facts;
    std::uint16_t id;
    EventType type;
};

const OutcomeCase kOutcomes[] = {
    {"downloaded, one needs a shutdown",
     {.ExitCode = 1602, .NeedsShutdown = true},
     102,
     EventType::Warning},
    {"failed, one told to shut down",
     {.UpdateFailed = true, .NeedsShutdown = true},
     200,
     EventType::Error},
    {"downloaded", {.ExitCode = 1602}, 100, EventType::Information},
    {"all current", {.ExitCode = 4000}, 101, EventType::Information},
    {"failed and left behind",
     {.UpdateFailed = true, .NotAccountedFor = true},
     200,
     EventType::Error},
    {"left behind, none eligible",
     {.NotAccountedFor = true, .NoEligibleDrive = true},
     201,
     EventType::Error},
    {"none eligible", {.NoEligibleDrive = true}, 202, EventType::Error},
    {"argument", {.ArgumentGiven = true}, 203, EventType::Error},
    {"another run", {.ExitCode = 1618, .AnotherRunGoing = true}, 300, EventType::Warning},
    {"low battery", {.ExitCode = 1618, .LowBattery = true}, 301, EventType::Warning},
    {"a failure nothing names", {}, 200, EventType::Error},
};

TEST(RunEvent, FirstRowThatAppliesWins) {
    for (const OutcomeCase& c : kOutcomes) {
        const app::RunEvent event = app::EventOfRun(c.facts);
        EXPECT_EQ(event.Id, c.id) << c.name;
        EXPECT_EQ(event.Type, c.type) << c.name;
    }
}

TEST(RunEvent, TextKeepsEveryLineAfterANul) {
    const std::u16string console(u"Serial: AB12\0\0\0\nResult: 1602 100%1\n", 35);
    EXPECT_EQ(app::EventText(console), u"Serial: AB12   \r\nResult: 1602 100%\u20601\r\n");
}

TEST(RunEvent, LongTextKeepsItsEndFromALineStart) {
    std::u16string console;
    for (int line = 0; console.size() < 2 * app::kMaxEventText; ++line) {
        console += platform::ToU16("line " + std::to_string(line) + " of the run\n");
    }
    const std::u16string full = app::EventText(console.substr(0, app::kMaxEventText / 2));
    EXPECT_EQ(full.find(app::kEventTextCut), std::u16string::npos);

    const std::u16string text = app::EventText(console);
    EXPECT_LE(text.size(), app::kMaxEventText);
    const std::u16string head = std::u16string(app::kEventTextCut) + u"\r\n";
    ASSERT_EQ(text.substr(0, head.size()), head);
    const std::u16string tail = text.substr(head.size());
    EXPECT_EQ(tail.substr(0, 5), u"line ");
    std::u16string crlf;
    for (char16_t c : console) {
        crlf += c == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, c);
    }
    EXPECT_TRUE(crlf.ends_with(tail));
    EXPECT_EQ(crlf[crlf.size() - tail.size() - 1], u'\n');
}

}  // namespace
