#include "inspect/firmware_slots.h"

#include "discovery/identify_controller_data.h"
#include "image/piece_plan.h"
#include "inbox/inbox_update.h"
#include "platform/byte_layout.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"
#include "rst/rst_update.h"

namespace inspect {

namespace {

std::string SlotRevision(std::span<const std::uint8_t> bytes) {
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

}  // namespace

FirmwareSlots ReadInboxSlots(platform::Platform& platform, const std::u16string& path,
                             std::size_t pieceSize, std::u16string_view imageRevision) {
    FirmwareSlots slots;
    const platform::OpenResult opened =
        platform.io.Open(path, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.Handle.Valid()) {
        return slots;
    }
    std::vector<std::uint8_t> buffer(inbox::MiniportBufferSize(pieceSize));
    if (inbox::AskFirmwareInfo(platform, opened.Handle, buffer)) {
        return slots;
    }
    slots.RequestAnswered = true;
    const inbox::FirmwareInfo info = inbox::ReadFirmwareInfo(buffer);
    const inbox::SlotAnswer answer = inbox::ChooseWritableSlot(info);
    slots.Choice = answer.Choice;
    slots.DataBufferOffset = info.DataBufferOffset;
    slots.SlotCount = info.SlotCount;
    slots.ImageStaged = inbox::ImageAwaitsReset(answer, imageRevision);
    slots.UnactivatedImageSlot = inbox::SlotOfUnactivatedImage(info, answer, imageRevision);
    if (info.Layout == inbox::FirmwareInfo::Layout::Outside) {
        return slots;
    }
    slots.Version = info.Version;
    if (info.Layout == inbox::FirmwareInfo::Layout::OtherVersion) {
        return slots;
    }
    slots.Answered = true;
    slots.UpgradeSupport = info.UpgradeSupport;
    slots.ActiveSlot = info.ActiveSlot;
    slots.PendingSlot = info.PendingSlot;
    for (const inbox::FirmwareSlotEntry& entry : info.Slots) {
        slots.Slots.push_back({entry.Number, entry.ReadOnly, SlotRevision(entry.Revision)});
    }
    return slots;
}

FirmwareSlots ReadRstSlots(platform::Platform& platform, const std::u16string& controllerPath,
                           std::uint8_t pathId, std::span<const std::uint8_t> identify,
                           std::u16string_view imageRevision) {
    FirmwareSlots slots;
    std::vector<std::uint8_t> request(rst::layout::kNvmRequestSize);
    rst::FillSlotLogPassThrough(request, pathId);
    const platform::OpenResult opened =
        platform.io.Open(controllerPath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, win::kFileAttributeNormal);
    if (!opened.Handle.Valid()) {
        return slots;
    }
    const platform::ControlResult result =
        platform.io.Control(opened.Handle, win::kIoctlScsiMiniport, request);
    // As the update: a failed call or a refusing ReturnCode means the log is not served.
    if (!result.Ok || !rst::PassThroughAnswered(request)) {
        return slots;
    }
    slots.RequestAnswered = true;
    slots.Answered = true;
    const discovery::IdentifyController id =
        discovery::ReadIdentifyController(identify, discovery::TextRule::KeepEveryByte);
    slots.ImageStaged = rst::SlotLogShowsImageAwaitingReset(request, imageRevision);
    slots.UnactivatedImageSlot =
        rst::SlotLogShowsUnactivatedImage(request, id.FirmwareSlotCount, imageRevision);
    slots.ActiveSlot = rst::SlotLogActiveSlot(request);
    if (const std::uint8_t slot = rst::SlotLogPendingSlot(request); slot != 0) {
        slots.PendingSlot = slot;
    }
    for (std::uint8_t slot = 1; slot <= id.FirmwareSlotCount; ++slot) {
        slots.Slots.push_back({slot, slot == 1 && id.Slot1ReadOnly,
                               SlotRevision(rst::SlotLogRevision(request, slot))});
    }
    return slots;
}

}  // namespace inspect
