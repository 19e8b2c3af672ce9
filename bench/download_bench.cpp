// Download cost per image byte through each access path against the null driver, as a ratio to the
// limit: memcpy of the same 2 MiB into a buffer of the piece size, piece by piece.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>
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

model::DiskRecord Disk(model::AccessKind access, std::int32_t granularity) {
    model::DiskRecord disk = model::MakeCandidate(
        access == model::AccessKind::Inbox ? u"\\\\.\\PHYSICALDRIVE0" : u"\\\\?\\scsi#rst", 0,
        access);
    disk.ModelNumber = u"VELKORA TRVX208K 1024GB";
    disk.SerialNumber = u"7A3C21480C2E";
    disk.FirmwareRevision = u"XQ71DMRB";
    disk.UpdateGranularity = granularity;
    return disk;
}

// Wall time of one call. steady_clock costs tens of nanoseconds here; the thread's CPU clock
// costs microseconds, a tenth of a memcpy of the image.
template <typename Action>
double SecondsOf(Action&& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void CopyPieces(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& buffer) {
    for (std::size_t offset = 0; offset < source.size(); offset += buffer.size()) {
        const std::size_t length = std::min(buffer.size(), source.size() - offset);
        std::memcpy(buffer.data(), source.data() + offset, length);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
}

// Each iteration is one round: the limit, then the inbox access path, then the RST access path,
// each timed on its own. The rounds alternate, so a machine that other work slows down slows all
// three alike, and the ratio of their medians holds where figures timed one after the other drift
// apart.
void BM_DownloadRatio(benchmark::State& state) {
    const auto granularity = static_cast<std::int32_t>(state.range(0));
    const std::span<const std::uint8_t> source(Image().WorkingCopy.data(), app::kImageByteCount);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(granularity) * image::kPieceUnit);
    NullPlatform inboxNull;
    NullPlatform rstNull;
    const model::DiskRecord inboxDisk = Disk(model::AccessKind::Inbox, granularity);
    const model::DiskRecord rstDisk = Disk(model::AccessKind::RstDisk, granularity);
    std::vector<double> limit;
    std::vector<double> inboxPath;
    std::vector<double> rstPath;
    bool activated = true;
    for (auto _ : state) {
        limit.push_back(SecondsOf([&] { CopyPieces(source, buffer); }));
        inboxPath.push_back(SecondsOf([&] {
            activated = inbox::UpdateInboxDisk(inboxNull.platform, inboxNull.events, inboxDisk,
                                               Image(), app::kImageByteCount)
                            .Result == model::DiskResult::RebootRequired;
        }));
        if (!activated) {
            state.SkipWithError("the inbox update did not reach its activation");
            break;
        }
        rstPath.push_back(SecondsOf([&] {
            activated = rst::UpdateRstDisk(rstNull.platform, rstNull.events, rstDisk, Image(),
                                           app::kImageByteCount)
                            .Result == model::DiskResult::Updated;
        }));
        if (!activated) {
            state.SkipWithError("the RST update did not reach its activation");
            break;
        }
    }
    const double nsPerByte = 1e9 / static_cast<double>(app::kImageByteCount);
    state.counters["rounds"] = static_cast<double>(limit.size());
    state.counters["memcpy_ns_per_B"] = MedianOf(limit) * nsPerByte;
    state.counters["inbox_ns_per_B"] = MedianOf(inboxPath) * nsPerByte;
    state.counters["rst_ns_per_B"] = MedianOf(rstPath) * nsPerByte;
    state.counters["inbox_ratio"] = RatioOfMedians(inboxPath, limit);
    state.counters["rst_ratio"] = RatioOfMedians(rstPath, limit);
}

BENCHMARK(BM_DownloadRatio)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace bench
