// For every update granularity a drive can report (1 to 255 units of 4 KiB), the drive receives
// the carried image exactly: every byte once, in order, in pieces of the granularity with only
// the last one shorter, and then one activation. Under ASan a read past the working copy stops
// the run.
#include <gtest/gtest.h>

#include <cstring>

#include "image/carried_image.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"
#include "tests/reliability/run_checks.h"

namespace {

constexpr std::uint64_t kUnit = 4096;

// A machine with one of the maker's drives at the older revision, reporting `granularity` as
// FWUG, on the road the scenario text puts it.
struct Road {
    const char* name;
    const char* placement;  // JSON members that put drive "d" on the road
};

constexpr Road kRoads[] = {
    {"inbox",
     R"("inbox": [{ "drive": "d", "deviceNumber": 1,
        "parentId": "PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&2B6C5F3&0&00E8" }])"},
    {"rst_disk", R"("rst": { "disks": [{ "drive": "d", "port": 2 }] })"},
    {"rst_raid_member",
     R"("rst": { "raidSets": [{ "type": "raid1", "members": [{ "drive": "d", "port": 1 }] }] })"},
};

void PrintTo(const Road& road, std::ostream* out) {
    *out << road.name;
}

std::string MachineText(const Road& road, int granularity) {
    return R"({ "drives": [{ "name": "d", "serial": "7A3C24001000", "model": "VELKORA TRVX208K 1024GB",
        "revision": "XQ71DMRB", "version": "1.3.0", "frmw": "0x07", "fwug": )" +
           std::to_string(granularity) + " }], " + road.placement + " }";
}

// Every rule the drive's downloads broke for this granularity; empty when the image came whole.
std::vector<std::string> CheckPieces(const sim::NvmeDrive& drive, int granularity) {
    std::vector<std::string> broken;
    const std::uint64_t pieceSize = static_cast<std::uint64_t>(granularity) * kUnit;
    std::uint64_t expected = 0;
    for (const sim::DriveRequest& request : drive.Requests()) {
        if (request.kind != sim::DriveRequest::Kind::Download) {
            continue;
        }
        const std::uint64_t length = std::min(pieceSize, image::kImageSize - expected);
        if (request.offset != expected || request.length != length || request.status != 0) {
            broken.push_back("piece at " + std::to_string(request.offset) + " of " +
                             std::to_string(request.length) + " bytes, expected " +
                             std::to_string(expected) + " of " + std::to_string(length));
        }
        expected = request.offset + request.length;
    }
    if (expected != image::kImageSize) {
        broken.push_back("downloads ended at " + std::to_string(expected));
    }
    const std::vector<std::uint8_t>& bytes = drive.BytesReceived();
    if (bytes.size() != image::kImageSize ||
        std::memcmp(bytes.data(), image::kCarriedImage, image::kImageSize) != 0) {
        broken.push_back("the bytes received are not the image");
    }
    if (drive.CountRequests(sim::DriveRequest::Kind::Commit) != 1 || !drive.ActivationPending()) {
        broken.push_back("not activated exactly once");
    }
    return broken;
}

class ImageIntegrity : public testing::TestWithParam<Road> {};

TEST_P(ImageIntegrity, EveryGranularitySendsTheWholeImageInOrder) {
    const Road road = GetParam();
    for (int granularity = 1; granularity <= 255; ++granularity) {
        sim::LoadResult loaded = sim::LoadScenario(MachineText(road, granularity));
        ASSERT_TRUE(loaded.machine) << loaded.error;
        const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);
        ASSERT_EQ(loaded.machine->Drives().size(), 1u);
        const sim::NvmeDrive& drive = *loaded.machine->Drives().front();
        EXPECT_EQ(outcome.exitCode, 1602) << road.name << ", granularity " << granularity;
        for (const std::string& rule : CheckPieces(drive, granularity)) {
            ADD_FAILURE() << road.name << ", granularity " << granularity << ": " << rule;
        }
        for (const std::string& rule : reliability::CheckRun(*loaded.machine, outcome)) {
            ADD_FAILURE() << road.name << ", granularity " << granularity << ": " << rule;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Roads, ImageIntegrity, testing::ValuesIn(kRoads),
                         [](const testing::TestParamInfo<Road>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
