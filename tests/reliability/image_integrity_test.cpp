// For every update granularity a drive can report (1 to 255 units of 4 KiB), on a drive of NVMe
// 1.3 and of 2.0, the drive receives the carried image exactly: every byte once, in order, in
// pieces of the granularity (4 KiB for FWUG 0xFF, no restriction) with only the last one
// shorter, and then one activation. Through the inbox driver, which takes at most 512 KiB per
// request, a granularity above that cannot be sent: the first piece is refused, nothing is
// activated and the run says so. Under ASan a read past the working copy stops the run.
#include <gtest/gtest.h>

#include <cstring>

#include "image/carried_image.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"
#include "tests/reliability/run_checks.h"

namespace {

constexpr std::uint64_t kUnit = 4096;

// A machine with one of the maker's drives at the older revision, reporting `granularity` as
// FWUG, on the access path the scenario text puts it.
struct AccessPathCase {
    const char* name;
    const char* placement;  // JSON members that put drive "d" on the access path
};

constexpr AccessPathCase kAccessPaths[] = {
    {"inbox",
     R"("inbox": [{ "drive": "d", "deviceNumber": 1,
        "parentId": "PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&2B6C5F3&0&00E8" }])"},
    {"rst_disk", R"("rst": { "disks": [{ "drive": "d", "port": 2 }] })"},
    {"rst_raid_member",
     R"("rst": { "raidSets": [{ "type": "raid1", "members": [{ "drive": "d", "port": 1 }] }] })"},
};

void PrintTo(const AccessPathCase& accessPath, std::ostream* out) {
    *out << accessPath.name;
}

constexpr const char* kVersions[] = {"1.3.0", "2.0.0"};
constexpr std::uint64_t kInboxRequestLimit = 512 * 1024;

std::string MachineText(const AccessPathCase& accessPath, const char* version, int granularity) {
    return R"({ "drives": [{ "name": "d", "serial": "7A3C24001000", "model": "VELKORA TRVX208K 1024GB",
        "revision": "XQ71DMRB", "version": ")" +
           std::string(version) + R"(", "frmw": "0x07", "fwug": )" + std::to_string(granularity) +
           " }], " + accessPath.placement + " }";
}

std::uint64_t PieceSize(int granularity) {
    return static_cast<std::uint64_t>(granularity == 0xFF ? 1 : granularity) * kUnit;
}

// A piece above the inbox driver's limit is refused before it reaches the drive.
std::vector<std::string> CheckRefused(const sim::NvmeDrive& drive) {
    std::vector<std::string> broken;
    if (drive.CountRequests(sim::DriveRequest::Kind::Download) != 0) {
        broken.push_back("a piece above the request limit reached the drive");
    }
    if (drive.CountRequests(sim::DriveRequest::Kind::Commit) != 0) {
        broken.push_back("activated after a refused download");
    }
    return broken;
}

// Every rule the drive's downloads broke for this granularity; empty when the image came whole.
std::vector<std::string> CheckPieces(const sim::NvmeDrive& drive, int granularity) {
    std::vector<std::string> broken;
    const std::uint64_t pieceSize = PieceSize(granularity);
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

class ImageIntegrity : public testing::TestWithParam<AccessPathCase> {};

TEST_P(ImageIntegrity, EveryGranularitySendsTheWholeImageInOrder) {
    const AccessPathCase accessPath = GetParam();
    for (const char* version : kVersions) {
        for (int granularity = 1; granularity <= 255; ++granularity) {
            const std::string name = std::string(accessPath.name) + ", NVMe " + version +
                                     ", granularity " + std::to_string(granularity);
            sim::LoadResult loaded =
                sim::LoadScenario(MachineText(accessPath, version, granularity));
            ASSERT_TRUE(loaded.machine) << loaded.error;
            const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);
            ASSERT_EQ(loaded.machine->Drives().size(), 1u);
            const sim::NvmeDrive& drive = *loaded.machine->Drives().front();
            const bool refused = std::string_view(accessPath.name) == "inbox" &&
                                 PieceSize(granularity) > kInboxRequestLimit;
            EXPECT_EQ(outcome.exitCode, refused ? 1 : 1602) << name;
            for (const std::string& rule :
                 refused ? CheckRefused(drive) : CheckPieces(drive, granularity)) {
                ADD_FAILURE() << name << ": " << rule;
            }
            for (const std::string& rule : reliability::CheckRun(*loaded.machine, outcome)) {
                ADD_FAILURE() << name << ": " << rule;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AccessPaths, ImageIntegrity, testing::ValuesIn(kAccessPaths),
                         [](const testing::TestParamInfo<AccessPathCase>& paramInfo) {
                             return std::string(paramInfo.param.name);
                         });

}  // namespace
