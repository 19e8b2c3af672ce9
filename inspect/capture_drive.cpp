#include "inspect/capture_drive.h"

#include <array>
#include <set>

#include "inbox/inbox_identify.h"
#include "inbox/miniport_firmware_layout.h"
#include "inbox/miniport_request.h"
#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"
#include "platform/miniport_layout.h"
#include "platform/text.h"
#include "rst/rst_requests.h"

namespace inspect {

namespace {

namespace identify = discovery::identify;
using json::Decimal;
using json::HexText;
using namespace platform::miniport;
using discovery::device_number::kDeviceNumberOffset;
using inbox::miniport::kDataAreaOffset;
using inbox::miniport::kRequestBlockOffset;

using identify::kFrmwOffset;
using identify::kVersionOffset;
using identify::kVersionSize;

constexpr std::uint8_t kNoPendingSlot = 0xFF;
// What the simulated driver answers besides what FRMW gives.
constexpr std::uint8_t kSimUpgradeSupport = 1;
constexpr std::uint8_t kSimActiveSlot = 1;

// The get-info request is built for pieces of 4 KiB, the smallest the tool sends.
constexpr std::size_t kGetInfoPieceSize = 4096;

std::string VersionText(std::uint32_t ver) {
    return Decimal(ver >> 16) + "." + Decimal((ver >> 8) & 0xFF) + "." + Decimal(ver & 0xFF);
}

// The bytes the simulated drive writes for a text field: the text, then blanks.
bool FieldReproduced(std::span<const std::uint8_t> identify, std::size_t offset, std::size_t size) {
    const std::string text = FieldText(identify, offset, size);
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t expected = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0x20;
        if (identify[offset + i] != expected) {
            return false;
        }
    }
    return true;
}

GetInfoAnswer AskGetInfo(platform::Platform& platform, const platform::DeviceHandle& handle) {
    GetInfoAnswer answer;
    answer.buffer.resize(inbox::MiniportBufferSize(kGetInfoPieceSize));
    inbox::BuildFirmwareRequest(answer.buffer, kFirmwareFunctionGetInfo);
    const platform::ControlResult result =
        platform.io.Control(handle, win::kIoctlScsiMiniport, answer.buffer);
    answer.ok = result.ok;
    answer.error = result.error;
    return answer;
}

// The slot entries against the simulated ones; where they are the simulated drive's, the slots'
// revisions and the active and pending slot become the drive's slot state.
std::optional<SlotState> CompareSlots(const inbox::FirmwareInfo& info,
                                      std::span<const std::uint8_t> identify,
                                      std::vector<std::string>& notes) {
    const std::uint8_t frmw = identify[kFrmwOffset];
    const std::size_t simSlots = (frmw >> 1) & 0x7;
    SlotState state;
    bool asSimulated = info.slotCount == simSlots && info.AllSlotsListed();
    for (std::size_t i = 0; i < info.slots.size(); ++i) {
        const inbox::FirmwareSlotEntry& slot = info.slots[i];
        const bool simListed = i < simSlots;
        const std::uint8_t simNumber = simListed ? static_cast<std::uint8_t>(i + 1) : 0;
        const bool simReadOnly = simListed && i == 0 && (frmw & 1);
        if (slot.number != simNumber || slot.readOnly != simReadOnly) {
            notes.push_back("get-info slot entry " + Decimal(i) + " is slot " +
                            Decimal(slot.number) + (slot.readOnly ? " (read-only)" : "") +
                            "; fwsim's is slot " + Decimal(simNumber) +
                            (simReadOnly ? " (read-only)" : ""));
            asSimulated = false;
            continue;
        }
        state.revisions.push_back(FieldText(slot.revision, 0, slot.revision.size()));
    }
    const std::uint8_t active = info.activeSlot;
    const std::uint8_t pending = info.pendingSlotField;
    if (!asSimulated || active == 0 || active > simSlots ||
        (pending != kNoPendingSlot && (pending == 0 || pending > simSlots))) {
        if (active != kSimActiveSlot || pending != kNoPendingSlot) {
            notes.push_back("get-info names active slot " + Decimal(active) + " and pending slot " +
                            Decimal(pending) + ", which fwsim's drive cannot give");
        }
        return std::nullopt;
    }
    state.activeSlot = active;
    if (pending != kNoPendingSlot) {
        state.pendingSlot = pending;
    }
    return state;
}

}  // namespace

DiskProbe ProbeDisk(platform::Platform& platform, std::u16string_view path, bool askGetInfo) {
    DiskProbe probe;
    const platform::OpenResult opened =
        platform.io.Open(path, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.handle.Valid()) {
        return probe;
    }
    probe.opened = true;
    std::array<std::uint8_t, kStorageDeviceNumberSize> number{};
    const platform::ControlResult numbered =
        platform.io.Control(opened.handle, win::kIoctlStorageGetDeviceNumber, number, 0);
    probe.numberAnswered = numbered.ok;
    probe.numberBytes = numbered.ok ? numbered.bytesReturned : 0;
    if (numbered.ok && numbered.bytesReturned >= kDeviceNumberOffset + 4) {
        probe.deviceNumber = platform::GetU32(number, kDeviceNumberOffset);
    }

    std::vector<std::uint8_t> query(inbox::query::kBufferSize, 0);
    inbox::BuildIdentifyQuery(query);
    if (!platform.io.Control(opened.handle, win::kIoctlStorageQueryProperty, query).ok) {
        return probe;
    }
    const auto data = std::span<const std::uint8_t>(query).subspan(
        inbox::query::kIdentifyDataOffset, inbox::query::kIdentifyDataSize);
    probe.identify = IdentifyData(data.begin(), data.end());
    if (askGetInfo) {
        probe.getInfo = AskGetInfo(platform, opened.handle);
    }
    return probe;
}

std::string FieldText(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
    platform::CheckFits(bytes.size(), offset, size);
    std::size_t end = size;
    while (end > 0 && (bytes[offset + end - 1] == 0x20 || bytes[offset + end - 1] == 0)) {
        --end;
    }
    std::string text;
    for (std::size_t i = 0; i < end; ++i) {
        const std::uint8_t byte = bytes[offset + i];
        // Scenario text is UTF-8: an Identify byte outside printable ASCII is an override.
        text += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '?';
    }
    return text;
}

std::optional<SlotState> SlotLogState(std::span<const std::uint8_t> request,
                                      std::span<const std::uint8_t> identify) {
    if (rst::ReturnCodeOf(request) != 0) {
        return std::nullopt;
    }
    SlotState state;
    const std::uint8_t count = (identify[kFrmwOffset] >> 1) & 0x7;
    for (std::uint8_t slot = 1; slot <= count; ++slot) {
        const std::span<const std::uint8_t> revision = rst::SlotLogRevision(request, slot);
        state.revisions.push_back(FieldText(revision, 0, revision.size()));
    }
    state.activeSlot = rst::SlotLogActiveSlot(request);
    if (const std::uint8_t pending = rst::SlotLogPendingSlot(request); pending != 0) {
        state.pendingSlot = pending;
    }
    if (state.activeSlot == 0 || state.activeSlot > count ||
        state.pendingSlot.value_or(1) > count) {
        return std::nullopt;
    }
    return state;
}

json::Value DriveJson(std::string_view name, std::span<const std::uint8_t> identify,
                      const std::optional<SlotState>& slots) {
    using namespace identify;
    struct Field {
        const char* key;
        std::size_t offset;
        std::size_t size;
    };
    const Field fields[] = {{"serial", kSerialNumberOffset, kSerialNumberSize},
                            {"model", kModelNumberOffset, kModelNumberSize},
                            {"revision", kFirmwareRevisionOffset, kFirmwareRevisionSize}};
    json::Value drive = {{"name", name}};
    // The bytes the drive's fields give by themselves; every other byte is an override.
    std::set<std::size_t> given;
    for (const Field& f : fields) {
        drive[f.key] = FieldText(identify, f.offset, f.size);
        // SN and MN never change; FR is carried by "revision" wherever it can be, so that a
        // simulated activation and reset make the drive report its new revision.
        if (f.offset == kFirmwareRevisionOffset && FieldReproduced(identify, f.offset, f.size)) {
            for (std::size_t i = 0; i < f.size; ++i) {
                given.insert(f.offset + i);
            }
        }
    }
    drive["version"] = VersionText(platform::GetU32(identify, kVersionOffset));
    drive["frmw"] = json::Hex(identify[kFrmwOffset]);
    drive["fwug"] = identify[kFwugOffset];
    for (std::size_t i = 0; i < kVersionSize; ++i) {
        given.insert(kVersionOffset + i);
    }
    given.insert(kFrmwOffset);
    given.insert(kFwugOffset);

    // A simulated drive reports the maker's VID and SSVID unless told otherwise.
    constexpr std::uint8_t kSimulatedVendorBytes[] = {0x3C, 0x7A, 0x3C, 0x7A};
    json::Value overrides = json::Value::object();
    for (std::size_t offset = 0; offset < identify.size(); ++offset) {
        const bool textField = offset >= kSerialNumberOffset &&
                               offset < kFirmwareRevisionOffset + kFirmwareRevisionSize;
        const std::uint8_t usual =
            offset < kSerialNumberOffset ? kSimulatedVendorBytes[offset] : std::uint8_t{0};
        if (given.count(offset) == 0 && (textField || identify[offset] != usual)) {
            overrides[Decimal(offset)] = identify[offset];
        }
    }
    if (!overrides.empty()) {
        drive["identify"] = std::move(overrides);
    }
    // A new simulated drive runs slot 1, which holds its running revision, and nothing else.
    if (slots) {
        std::vector<std::string> fresh(slots->revisions.size());
        if (!fresh.empty()) {
            fresh[0] = FieldText(identify, kFirmwareRevisionOffset, kFirmwareRevisionSize);
        }
        if (slots->revisions != fresh || slots->activeSlot != 1 || slots->pendingSlot) {
            std::vector<std::u16string> texts;
            for (const std::string& revision : slots->revisions) {
                texts.push_back(platform::WidenUnsigned(revision));
            }
            drive["slots"] = json::TextList(texts);
            drive["activeSlot"] = slots->activeSlot;
            if (slots->pendingSlot) {
                drive["pendingSlot"] = *slots->pendingSlot;
            }
        }
    }
    return drive;
}

GetInfoMapping MapGetInfo(const GetInfoAnswer& answer, std::span<const std::uint8_t> identify) {
    GetInfoMapping mapping;
    std::vector<std::string>& notes = mapping.notes;
    if (!answer.ok) {
        notes.push_back("the firmware get-info request failed with error " + HexText(answer.error) +
                        "; fwsim's driver answers it");
        return mapping;
    }
    const std::span<const std::uint8_t> buffer(answer.buffer);
    const std::uint32_t returnCode = inbox::FirmwareReturnCode(buffer);
    if (returnCode != kFirmwareStatusSuccess) {
        notes.push_back("the firmware get-info request answered ReturnCode " + HexText(returnCode) +
                        "; fwsim's driver answers 0");
        return mapping;
    }
    const inbox::FirmwareInfo info = inbox::ReadFirmwareInfo(buffer);
    if (info.dataBufferOffset != kDataAreaOffset) {
        // The simulated driver writes its answer at the data area and then the moved offset.
        mapping.overrides["dataBufferOffset"] = info.dataBufferOffset;
        notes.push_back("get-info answered at DataBufferOffset " + Decimal(info.dataBufferOffset) +
                        "; what stands there in fwsim is fwsim's answer");
        return mapping;
    }
    if (info.version != kInfoVersionValue) {
        mapping.overrides["version"] = info.version;
    }
    if (info.layout != inbox::FirmwareInfo::Layout::Version1) {
        return mapping;  // another layout: the tool reads nothing more of it
    }
    if (info.upgradeSupport != kSimUpgradeSupport) {
        mapping.overrides["upgradeSupport"] = info.upgradeSupport;
    }
    if (info.slotCount != ((identify[kFrmwOffset] >> 1) & 0x7)) {
        mapping.overrides["slotCount"] = info.slotCount;
    }
    mapping.slots = CompareSlots(info, identify, notes);
    return mapping;
}

}  // namespace inspect
