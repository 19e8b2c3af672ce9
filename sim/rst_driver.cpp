#include "sim/rst_driver.h"

#include <algorithm>

#include "platform/byte_layout.h"
#include "sim/inbox_driver.h"
#include "sim/rst_layouts.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"

namespace sim {

namespace {

using platform::GetU32;
using platform::GetU64;
using platform::PutU32;

using namespace layout;

constexpr std::uint16_t kNvmeInvalidOpcode = 0x001;
constexpr std::uint16_t kNvmeInvalidLogPage = 0x109;
// Get Log Page (NVMe admin opcode 02h): CDW10 LID 7:0, NUMDL 31:16; CDW11 NUMDU 15:0; CDW12 and
// CDW13 the byte offset into the log. The firmware slot information log is LID 03h.
constexpr std::uint8_t kNvmeAdminCommandGetLogPage = 0x02;
constexpr std::uint8_t kLogFirmwareSlot = 0x03;
constexpr std::uint32_t kNsidEvery = 0xFFFFFFFF;

// "IntelFw ": FIRMWARE_REQUEST_BLOCK behind the address, data offset counted from the buffer's
// start; the download block is STORAGE_FIRMWARE_DOWNLOAD_V2.
constexpr std::size_t kFrb = kIntelFrb;
constexpr std::size_t kFrbFunctionAt = kFrb + kFrbFunction;
constexpr std::size_t kFrbDataOffset = kFrb + kFrbDataBufferOffset;
constexpr std::size_t kFrbDataLength = kFrb + kFrbDataBufferLength;
constexpr std::size_t kFrbEnd = kFrb + kFrbStructureSize;
constexpr std::size_t kDownloadSlot = kDownloadV2Slot;
constexpr std::uint8_t kDownloadAnySlot = 0xFF;
constexpr std::uint8_t kCommitReplaceActivateAtReset = 1;

void PutPadded(std::span<std::uint8_t> b, std::size_t offset, std::size_t width,
               const std::string& text) {
    for (std::size_t i = 0; i < width; ++i) {
        b[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0x20;
    }
}

}  // namespace

void RstDriver::AddRaidSet(RaidSet set) {
    for (const RaidMember& member : set.members) {
        if (member.drive != nullptr) {
            m_ports[member.port] = member.drive;
        } else if (!member.sataModel.empty()) {
            m_sataPorts[member.port] = member.sataModel;
        }
    }
    m_sets.push_back(std::move(set));
}

platform::ControlResult RstDriver::Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                           std::uint32_t inputLength) {
    if (controlCode != win::kIoctlScsiMiniport) {
        return {false, 0, kErrorInvalidFunction};
    }
    if (inputLength < kSrbSize || GetU32(buffer, kSrbHeaderLength) != kSrbSize ||
        std::size_t{GetU32(buffer, kSrbLength)} + kSrbSize > inputLength) {
        return {false, 0, win::kErrorInvalidParameter};
    }
    const std::string signature(buffer.begin() + kSrbSignature,
                                buffer.begin() + kSrbSignature + kSrbSignatureSize);
    const std::uint32_t code = GetU32(buffer, kSrbControlCode);
    const std::span<std::uint8_t> request = buffer.first(kSrbSize + GetU32(buffer, kSrbLength));
    std::uint32_t status = 0;
    if (signature == std::string("CSMIARY\0", 8)) {
        status = code == kCsmiGetRaidConfig ? GetRaidConfig(request) : kCsmiBadControlCode;
    } else if (signature == "IntelNvm" && code == kIntelNvmPassThrough) {
        status = NvmePassThrough(request);
    } else if (signature == "IntelFw " && code == kIntelFirmware) {
        status = Firmware(request);
    } else {
        return {false, 0, kErrorInvalidFunction};
    }
    PutU32(buffer, kSrbReturnCode, status);
    return {true, static_cast<std::uint32_t>(request.size()), 0};
}

std::uint32_t RstDriver::GetRaidConfig(std::span<std::uint8_t> request) {
    if (request.size() < kRaidDrives) {
        return kCsmiInvalidParameter;
    }
    if (m_options.raidQueryReturnCode) {
        return *m_options.raidQueryReturnCode;
    }
    const std::uint32_t index = GetU32(request, kRaidSetIndex);
    if (index >= m_sets.size()) {
        return kCsmiRaidSetOutOfRange;
    }
    const RaidSet& set = m_sets[index];
    PutU32(request, kRaidCapacity, set.capacityMb);
    PutU32(request, kRaidStripeSize, set.stripeSizeKb);
    request[kRaidType] = set.raidType;
    request[kRaidStatus] = 0;
    request[kRaidDriveCount] = static_cast<std::uint8_t>(set.members.size());
    if (m_options.raidBufferTooSmall &&
        !platform::FitsIn(request.size(), kRaidDrives, kDriveEntrySize * set.members.size())) {
        return kCsmiRaidSetBufferTooSmall;
    }
    // Only the entries that fit in the caller's buffer are written.
    for (std::size_t i = 0; i < set.members.size(); ++i) {
        const std::size_t entry = kRaidDrives + kDriveEntrySize * i;
        if (!platform::FitsIn(request.size(), entry, kDriveEntrySize)) {
            break;
        }
        const RaidMember& member = set.members[i];
        if (member.drive != nullptr) {
            // The RST driver marks an NVMe member by its model's "NVMe" prefix.
            const NvmeDriveConfig& c = member.drive->Config();
            PutPadded(request, entry + kDriveModel, kDriveModelSize, "NVMe    " + c.model);
            PutPadded(request, entry + kDriveFirmware, kDriveFirmwareSize,
                      member.drive->RunningRevision());
            PutPadded(request, entry + kDriveSerial, kDriveSerialSize, c.serial);
        } else if (!member.sataModel.empty()) {
            PutPadded(request, entry + kDriveModel, kDriveModelSize, member.sataModel);
        }
        // bSASAddress of an NVMe member: LUN, target, path in bytes 0, 1, 2.
        request[entry + kDriveSasAddress + 2] = member.port;
        request[entry + kDriveUsage] = kDriveConfigMember;
    }
    return kCsmiSuccess;
}

NvmeDrive* RstDriver::Addressed(std::span<const std::uint8_t> request) const {
    if (request[kAddressTarget] != 0 || request[kAddressLun] != 0) {
        return nullptr;
    }
    const auto it = m_ports.find(request[kAddressPath]);
    return it == m_ports.end() ? nullptr : it->second;
}

std::uint32_t RstDriver::NvmePassThrough(std::span<std::uint8_t> request) {
    if (request.size() < kNvmDataStart || request[kAddressVersion] != kAddressStructureVersion) {
        return kSrbStatusError;
    }
    const std::uint32_t dataOffset = GetU32(request, kNvmDataOffset);
    const std::uint32_t dataLength = GetU32(request, kNvmDataLength);
    if (dataOffset < kNvmDataStart || !platform::FitsIn(request.size(), dataOffset, dataLength)) {
        return kSrbStatusError;
    }
    const std::span<std::uint8_t> data = request.subspan(dataOffset, dataLength);
    NvmeDrive* drive = Addressed(request);
    if (drive == nullptr) {
        std::fill(data.begin(), data.end(), 0);
        return m_sataPorts.contains(request[kAddressPath])
                   ? kSrbStatusError
                   : m_options.emptyPortPassThroughReturnCode;
    }
    if (request[kSqe] == kNvmeAdminCommandGetLogPage && request[kIoCommandSet] == 0) {
        return FirmwareSlotLog(*drive, request, data);
    }
    // Identify Controller and the firmware slot log are served; other admin commands complete
    // with Invalid Opcode.
    const bool identify = request[kSqe] == kNvmeAdminCommandIdentify &&
                          request[kIoCommandSet] == 0 &&
                          (GetU32(request, kSqeCdw10) & 0xFF) == kNvmeIdentifyCnsController &&
                          GetU32(request, kSqeNsid) == 0;
    if (!identify || dataLength < kIdentifySize) {
        PutU32(request, kCqeDw3,
               std::uint32_t{identify ? kNvmeInvalidField : kNvmeInvalidOpcode} << 17);
        return kSrbStatusError;
    }
    const auto identifyData = drive->IdentifyController();
    platform::PutBytes(data, 0, identifyData);
    PutU32(request, kCqeDw3, 0);
    return kSrbStatusSuccess;
}

std::uint32_t RstDriver::FirmwareSlotLog(NvmeDrive& drive, std::span<std::uint8_t> request,
                                         std::span<std::uint8_t> data) {
    if (m_options.slotLogReturnCode) {
        std::fill(data.begin(), data.end(), 0);
        return *m_options.slotLogReturnCode;
    }
    const std::uint32_t cdw10 = GetU32(request, kSqeCdw10);
    const std::uint64_t bytes =
        ((std::uint64_t{GetU32(request, kSqeCdw11) & 0xFFFF} << 16 | cdw10 >> 16) + 1) * 4;
    const std::uint64_t offset =
        std::uint64_t{GetU32(request, kSqeCdw13)} << 32 | GetU32(request, kSqeCdw12);
    const std::uint32_t nsid = GetU32(request, kSqeNsid);
    // A log global to the controller: the namespace is 0 or every namespace.
    std::uint16_t status = kNvmeSuccess;
    if ((cdw10 & 0xFF) != kLogFirmwareSlot) {
        status = kNvmeInvalidLogPage;
    } else if ((nsid != 0 && nsid != kNsidEvery) || offset % 4 != 0 ||
               !platform::FitsIn(kFirmwareSlotLogSize, offset, bytes) || data.size() < bytes) {
        status = kNvmeInvalidField;
    }
    PutU32(request, kCqeDw3, std::uint32_t{status} << 17);
    if (status != kNvmeSuccess) {
        return kSrbStatusError;
    }
    const auto log = drive.FirmwareSlotLog();
    platform::PutBytes(data, 0, std::span(log).subspan(offset, bytes));
    return kSrbStatusSuccess;
}

std::uint32_t RstDriver::Firmware(std::span<std::uint8_t> request) {
    if (request.size() < kFrbEnd || request[kAddressVersion] != kAddressStructureVersion ||
        GetU32(request, kFrb + kFrbVersion) != kFrbStructureVersion ||
        GetU32(request, kFrb + kFrbSize) != kFrbStructureSize) {
        return kFirmwareStatusInvalidParameter;
    }
    const std::uint32_t dataOffset = GetU32(request, kFrbDataOffset);
    const std::uint32_t dataLength = GetU32(request, kFrbDataLength);
    if (dataOffset < kFrbEnd || !platform::FitsIn(request.size(), dataOffset, dataLength)) {
        return kFirmwareStatusInvalidParameter;
    }
    const std::span<const std::uint8_t> block = request.subspan(dataOffset, dataLength);
    NvmeDrive* drive = Addressed(request);
    switch (GetU32(request, kFrbFunctionAt)) {
        case kFirmwareFunctionDownload: {
            if (dataLength < kDownloadV2Image ||
                GetU32(block, kDownloadVersion) != kDownloadV2StructureVersion ||
                (GetU32(block, kDownloadSize) != kDownloadV2Image &&
                 GetU32(block, kDownloadSize) != kDownloadV2StructureSize)) {
                return kFirmwareStatusInvalidParameter;
            }
            const std::uint64_t size = GetU64(block, kDownloadBufferSize);
            if (size == 0 || !platform::FitsIn(dataLength, kDownloadV2Image, size)) {
                return kFirmwareStatusInvalidParameter;
            }
            if (block[kDownloadSlot] != kDownloadAnySlot) {
                return kFirmwareStatusInvalidSlot;
            }
            if (drive == nullptr) {
                return m_options.emptyPortFirmwareReturnCode;
            }
            return FirmwareStatusFromNvme(drive->Download(GetU64(block, kDownloadOffset),
                                                          block.subspan(kDownloadV2Image, size)));
        }
        case kFirmwareFunctionActivate: {
            if (dataLength < kActivateStructureSize ||
                GetU32(block, kActivateVersion) != kActivateStructureVersion ||
                GetU32(block, kActivateSize) != kActivateStructureSize) {
                return kFirmwareStatusInvalidParameter;
            }
            if (drive == nullptr) {
                return m_options.emptyPortFirmwareReturnCode;
            }
            const std::uint16_t nvme =
                drive->Commit(block[kActivateSlot], kCommitReplaceActivateAtReset);
            // Behind RST the new image always waits for a power cycle.
            return nvme == kNvmeSuccess ? m_options.activationReturnCode
                                        : FirmwareStatusFromNvme(nvme);
        }
        default:
            return kFirmwareStatusIllegalRequest;
    }
}

}  // namespace sim
