// Download cost per image byte through each road against the null driver, beside the limit:
// memcpy of the same 2 MiB into a buffer of the piece size, piece by piece.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "app/disk_inventory.h"
#include "bench/bench_statistics.h"
#include "bench/null_platform.h"
#include "image/firmware_image.h"
#include "image/piece_plan.h"
#include "inbox/inbox_update.h"
#include "rst/rst_update.h"

namespace bench {

namespace {

const image::FirmwareImage& Image() {
    static const image::FirmwareImage prepared = [] {
        image::FirmwareImage image;
        image::PrepareFirmwareImage(
            image, std::span<const std::uint8_t>(image::kCarriedImage, image::kImageSize));
        return image;
    }();
    return prepared;
}

discovery::DiskRecord Disk(discovery::AccessPath access, std::int32_t granularity) {
    discovery::DiskRecord disk = discovery::MakeCandidate(
        access == discovery::AccessPath::Inbox ? u"\\\\.\\PHYSICALDRIVE0" : u"\\\\?\\scsi#rst", 0,
        access);
    disk.ModelNumber = u"VELKORA TRVX208K 1024GB";
    disk.SerialNumber = u"7A3C21480C2E";
    disk.FirmwareRevision = u"XQ71DMRB";
    disk.UpdateGranularity = granularity;
    return disk;
}

void ReportBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(app::kImageByteCount));
}

void BM_MemcpyLimit(benchmark::State& state) {
    const std::size_t pieceSize = static_cast<std::size_t>(state.range(0)) * image::kPieceUnit;
    const std::vector<std::uint8_t>& source = Image().WorkingCopy;
    std::vector<std::uint8_t> buffer(pieceSize);
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < app::kImageByteCount; offset += pieceSize) {
            const std::size_t length =
                std::min<std::size_t>(pieceSize, app::kImageByteCount - offset);
            std::memcpy(buffer.data(), source.data() + offset, length);
            benchmark::DoNotOptimize(buffer.data());
            benchmark::ClobberMemory();
        }
    }
    ReportBytes(state);
}

void BM_InboxDownload(benchmark::State& state) {
    NullPlatform null;
    const discovery::DiskRecord disk =
        Disk(discovery::AccessPath::Inbox, static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        const inbox::UpdateOutcome outcome =
            inbox::UpdateInboxDisk(null.platform, null.events, disk, Image(), app::kImageByteCount);
        if (outcome.status != inbox::UpdateStatus::Activated) {
            state.SkipWithError("the inbox update did not reach its activation");
            break;
        }
    }
    ReportBytes(state);
}

void BM_RstDownload(benchmark::State& state) {
    NullPlatform null;
    const discovery::DiskRecord disk =
        Disk(discovery::AccessPath::RstDisk, static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        const rst::UpdateOutcome outcome =
            rst::UpdateRstDisk(null.platform, null.events, disk, Image(), app::kImageByteCount);
        if (outcome.result != discovery::ResultCode::Updated) {
            state.SkipWithError("the RST update did not reach its activation");
            break;
        }
    }
    ReportBytes(state);
}

// Side by side in one run: the limit, then each road, for each granularity.
BENCHMARK(BM_MemcpyLimit)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", MinOf);
BENCHMARK(BM_InboxDownload)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", MinOf);
BENCHMARK(BM_RstDownload)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", MinOf);

}  // namespace

}  // namespace bench
