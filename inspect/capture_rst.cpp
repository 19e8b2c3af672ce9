#include "inspect/capture_rst.h"

#include <algorithm>

#include "platform/byte_layout.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"

namespace inspect {

namespace {

using rst::layout::kCsmiCapacityOffset;
using rst::layout::kCsmiRaidTypeOffset;
using rst::layout::kCsmiStripeSizeOffset;

// One IOCTL_SCSI_MINIPORT exchange with the controller: the call, the driver's ReturnCode and
// the buffer as the driver left it.
struct Exchange {
    bool ok = false;
    win::Dword error = 0;
    std::uint32_t returnCode = 0;
    std::vector<std::uint8_t> buffer;
};

Exchange Ask(platform::Platform& platform, const platform::DeviceHandle& handle,
             std::vector<std::uint8_t> request) {
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, request);
    const std::uint32_t returnCode = rst::ReturnCodeOf(request);
    return {result.ok, result.error, returnCode, std::move(request)};
}

std::vector<std::uint8_t> RaidConfigRequest(std::size_t size, std::uint32_t raidSetIndex) {
    std::vector<std::uint8_t> request(size);
    rst::FillCsmiRaidConfigRequest(request, raidSetIndex);
    return request;
}

// GET_RAID_CONFIG of one set; asked again with room for every member when the first answer
// has more members than entries, as the tool asks.
RstVolume QueryRaidSet(platform::Platform& platform, const platform::DeviceHandle& handle,
                       std::uint32_t raidSetIndex) {
    Exchange answer =
        Ask(platform, handle, RaidConfigRequest(rst::layout::kCsmiRequestSize, raidSetIndex));
    RstVolume volume;
    volume.answered = answer.ok;
    volume.error = answer.error;
    volume.returnCode = answer.returnCode;
    if (!answer.ok || answer.returnCode != 0) {
        return volume;
    }
    const std::size_t count = rst::CsmiDriveCount(answer.buffer);
    if (count > rst::CsmiEntriesThatFit(answer.buffer.size())) {
        Exchange larger = Ask(platform, handle,
                              RaidConfigRequest(rst::layout::CsmiBufferSize(count), raidSetIndex));
        if (larger.ok && larger.returnCode == 0) {
            answer = std::move(larger);
        }
    }
    const std::span<const std::uint8_t> config(answer.buffer);
    volume.capacityMb = platform::GetU32(config, kCsmiCapacityOffset);
    volume.stripeKb = platform::GetU32(config, kCsmiStripeSizeOffset);
    volume.raidType = platform::GetU8(config, kCsmiRaidTypeOffset);
    for (std::size_t i = 0; i < rst::CsmiDriveCount(config); ++i) {
        const std::optional<std::uint8_t> port = rst::CsmiMemberPort(config, i);
        if (!port) {
            break;
        }
        volume.memberPorts.push_back(*port);
    }
    return volume;
}

PassThroughAnswer IdentifyAtPort(platform::Platform& platform, const platform::DeviceHandle& handle,
                                 std::uint8_t port) {
    std::vector<std::uint8_t> request(rst::layout::kNvmRequestSize);
    rst::FillIdentifyPassThrough(request, port);
    const Exchange answer = Ask(platform, handle, std::move(request));
    const std::span<const std::uint8_t> data = rst::PassThroughData(answer.buffer);
    PassThroughAnswer identified{answer.ok, answer.error, answer.returnCode,
                                 IdentifyData(data.begin(), data.end()), std::nullopt};
    if (identified.HasDrive()) {
        std::vector<std::uint8_t> log(rst::layout::kNvmRequestSize);
        rst::FillSlotLogPassThrough(log, port);
        Exchange slots = Ask(platform, handle, std::move(log));
        if (slots.ok) {
            identified.slotLog = std::move(slots.buffer);
        }
    }
    return identified;
}

}  // namespace

bool RstCapture::Holds(std::u16string_view instanceId) const {
    return std::any_of(volumes.begin(), volumes.end(),
                       [&](const RstVolume& v) { return v.instanceId == instanceId; }) ||
           std::any_of(disks.begin(), disks.end(),
                       [&](const RstDisk& d) { return d.instanceId == instanceId; });
}

RstCapture CaptureRst(platform::Platform& platform) {
    RstCapture capture;
    discovery::NoRunEvents events;
    capture.found = discovery::FindRstController(platform, events, capture.controller);
    if (!capture.found) {
        return capture;
    }
    discovery::DiskList candidates;
    discovery::DiscoveryLog log;
    discovery::EnumerateRstDisks(platform, events, capture.controller, candidates, &log);
    // The log holds one RaidVolume or Taken decision per candidate, in the candidates' order.
    std::size_t next = 0;
    for (const discovery::DeviceDecision& decision : log) {
        if (decision.verdict == discovery::Verdict::RaidVolume) {
            capture.volumes.push_back({});
            capture.volumes.back().instanceId = decision.instanceId;
            capture.walkOrder.push_back(decision.instanceId);
            ++next;
        } else if (decision.verdict == discovery::Verdict::Taken && next < candidates.size()) {
            capture.disks.push_back(
                {decision.instanceId, rst::PathIdentifier(candidates[next++].PortNumber)});
            capture.walkOrder.push_back(decision.instanceId);
        }
    }

    const platform::OpenResult opened =
        platform.io.Open(capture.controller.DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, win::kFileAttributeNormal);
    capture.opened = opened.handle.Valid();
    if (!capture.opened) {
        return capture;
    }
    for (std::uint32_t k = 0; k < capture.volumes.size(); ++k) {
        const std::u16string instanceId = capture.volumes[k].instanceId;
        capture.volumes[k] = QueryRaidSet(platform, opened.handle, k);
        capture.volumes[k].instanceId = instanceId;
        for (const std::uint8_t port : capture.volumes[k].memberPorts) {
            if (!capture.ports.contains(port)) {
                capture.ports[port] = IdentifyAtPort(platform, opened.handle, port);
            }
        }
    }
    for (const RstDisk& disk : capture.disks) {
        if (!capture.ports.contains(disk.port)) {
            capture.ports[disk.port] = IdentifyAtPort(platform, opened.handle, disk.port);
        }
    }
    return capture;
}

}  // namespace inspect
