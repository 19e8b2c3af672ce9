#include <gtest/gtest.h>

#include <string>

#include "app/run_tool.h"
#include "empty_machine.h"

namespace {

using testing_support::EmptyMachine;

const std::string kSeparator(96, '=');

TEST(RunSequence, AnyArgumentIsRefusedBeforeAnythingIsTouched) {
    for (int argc : {2, 3, 10}) {
        EmptyMachine machine;
        EXPECT_EQ(app::RunTool(argc, machine.platform), 1);
        EXPECT_EQ(machine.console.Transcript(),
                  "[ERROR] Invalid Parameter\nPress any key to continue . . . \n");
        EXPECT_EQ(machine.devices.listRequests, 0);
        EXPECT_EQ(machine.devices.opens, 0);
    }
}

TEST(RunSequence, BareRunOnAMachineWithoutDisksReportsNoDisk) {
    EmptyMachine machine;
    machine.clock.Set({2025, 1, 3, 9, 5, 7});
    EXPECT_EQ(app::RunTool(1, machine.platform), 1);
    const std::string expected =
        kSeparator + "\n" +
        "VELKORAFWUpdateTRVX208K_V1.0.1_XQ74DMRB\n"
        "Copyright (C) VELKORA. Do not power off or disconnect drives during the update.\n" +
        kSeparator + "\n" +
        "Start Time : 03-01-2025(09:05:07)\n"
        "End Time : 03-01-2025(09:05:07)\n"
        "\n"
        "[No Disk]\n"
        "Updated Firmware Version : XQ74DMRB\n"
        "Result Details : No disks are available for download.\n"
        "\n"
        "[Final Result]\n"
        "Result Details : Unable to update firmware.\n"
        "\n"
        "Press any key to continue . . . \n";
    EXPECT_EQ(machine.console.Transcript(), expected);
    EXPECT_EQ(machine.console.PauseCount(), 1);
}

TEST(RunSequence, StartStampIsTakenAfterTheBannerAndEndStampAfterTheUpdates) {
    EmptyMachine machine;
    machine.clock = sim::SimClock({2026, 12, 31, 23, 59, 59}, 1);
    app::RunTool(1, machine.platform);
    const std::string& out = machine.console.Transcript();
    EXPECT_NE(out.find("Start Time : 31-12-2026(23:59:59)\nEnd Time : 01-01-2027(00:00:00)\n"),
              std::string::npos)
        << out;
}

}  // namespace
