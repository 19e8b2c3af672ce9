#include "inspect/firmware_slots.h"

#include "discovery/identify_controller_data.h"
#include "image/firmware_image.h"
#include "image/piece_plan.h"
#include "inbox/miniport_firmware_layout.h"
#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"
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
    using namespace platform::miniport;
    FirmwareSlots slots;
    const platform::OpenResult opened =
        platform.io.Open(path, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.handle.Valid()) {
        return slots;
    }
    std::vector<std::uint8_t> buffer(inbox::MiniportBufferSize(pieceSize));
    inbox::BuildFirmwareRequest(buffer, kFirmwareFunctionGetInfo);
    const platform::ControlResult result =
        platform.io.Control(opened.handle, win::kIoctlScsiMiniport, buffer);
    if (!result.ok || inbox::FirmwareReturnCode(buffer) != kFirmwareStatusSuccess) {
        return slots;
    }
    slots.requestAnswered = true;
    const inbox::FirmwareInfo info = inbox::ReadFirmwareInfo(buffer);
    const inbox::SlotAnswer answer = inbox::ChooseWritableSlot(info);
    slots.choice = answer.choice;
    slots.imageStaged = inbox::ImageAwaitsReset(answer, imageRevision);
    if (info.layout == inbox::FirmwareInfo::Layout::Outside) {
        return slots;
    }
    slots.version = info.version;
    if (info.layout == inbox::FirmwareInfo::Layout::OtherVersion) {
        return slots;
    }
    slots.answered = true;
    slots.upgradeSupport = info.upgradeSupport;
    slots.activeSlot = info.activeSlot;
    slots.pendingSlot = info.pendingSlot;
    for (const inbox::FirmwareSlotEntry& entry : info.slots) {
        slots.slots.push_back({entry.number, entry.readOnly, SlotRevision(entry.revision)});
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
    if (!opened.handle.Valid()) {
        return slots;
    }
    const platform::ControlResult result =
        platform.io.Control(opened.handle, win::kIoctlScsiMiniport, request);
    // As the update: a failed call or a refusing ReturnCode means the log is not served.
    if (!result.ok || !rst::PassThroughAnswered(request)) {
        return slots;
    }
    slots.requestAnswered = true;
    slots.answered = true;
    slots.imageStaged = rst::SlotLogShowsImageAwaitingReset(request, imageRevision);
    slots.activeSlot = rst::SlotLogActiveSlot(request);
    if (const std::uint8_t slot = rst::SlotLogPendingSlot(request); slot != 0) {
        slots.pendingSlot = slot;
    }
    const discovery::IdentifyController id =
        discovery::ReadIdentifyController(identify, discovery::TextRule::KeepEveryByte);
    for (std::uint8_t slot = 1; slot <= id.FirmwareSlotCount; ++slot) {
        slots.slots.push_back({slot, slot == 1 && id.Slot1ReadOnly,
                               SlotRevision(rst::SlotLogRevision(request, slot))});
    }
    return slots;
}

}  // namespace inspect
