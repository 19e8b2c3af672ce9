// fwsim's options come in any order beside a scenario; --rehearse stands alone with --json.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/fwsim_options.h"

namespace {

TEST(FwsimOptions, TakesOptionsInAnyPlaceAndRefusesBadOnes) {
    struct Row {
        std::vector<std::string> args;
        bool good;
    };
    const Row rows[] = {
        {{}, true},
        {{"s.json"}, true},
        {{"--event", "e.txt", "s.json"}, true},
        {{"s.json", "--event", "e.txt"}, true},
        {{"--json", "--rehearse", "dir"}, true},
        {{"--rehearse", "dir", "--json"}, true},
        {{"--rehearse", "dir", "--event", "e.txt"}, false},
        {{"--event", "e.txt", "--rehearse", "dir"}, false},
        {{"--rehearse", "dir", "s.json"}, false},
        {{"--rehearse", "dir", "--rehearse", "dir"}, false},
        {{"--rehearse"}, false},
        {{"--rehearse", ""}, false},
        {{"--json"}, false},
        {{"s.json", "--json"}, false},
        {{"--event"}, false},
        {{"a.json", "b.json"}, false},
        {{"--help"}, false},
        {{"-h"}, false},
    };
    for (const Row& row : rows) {
        std::string line;
        for (const std::string& arg : row.args) {
            line += arg + " ";
        }
        EXPECT_EQ(sim::ParseFwsimOptions(row.args).has_value(), row.good) << line;
    }
    const auto options = sim::ParseFwsimOptions({"--json", "--rehearse", "dir"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->rehearse, "dir");
    EXPECT_TRUE(options->json);
    EXPECT_FALSE(options->scenario);
    const auto run = sim::ParseFwsimOptions({"s.json", "--event", "e.txt"});
    ASSERT_TRUE(run);
    EXPECT_EQ(run->scenario, "s.json");
    EXPECT_EQ(run->eventFile, "e.txt");
}

}  // namespace
