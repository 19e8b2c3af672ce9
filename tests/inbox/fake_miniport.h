// The inbox driver's side of the firmware miniport requests, for the tests of the inbox update:
// a miniport that answers get-info from its slots, keeps every piece and fails on request.
#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inbox/inbox_update.h"
#include "platform/byte_layout.h"
#include "tests/fakes/fake_platform.h"

namespace inbox_test {

using model::DiskRecord;
constexpr char16_t kDisk[] = u"\\\\.\\PHYSICALDRIVE3";
constexpr std::uint32_t kImageBytes = 0x200000;

struct Slot {
    std::uint8_t number;
    bool readOnly;
    std::string revision = {};  // the entry's 8 Revision bytes, zero-padded
};

// The miniport's side: answers get-info from `slots`, keeps every download, and fails the
// request with the given number (0-based over all requests) when asked to.
struct Miniport {
    std::uint8_t upgradeSupport = 1;
    std::uint8_t pendingSlot = 0xFF;  // STORAGE_FIRMWARE_INFO_INVALID_SLOT: none
    std::vector<Slot> slots = {{1, true}, {2, false}};
    std::optional<std::uint8_t> slotCountOverride;
    std::optional<std::uint32_t> infoOffset;  // DataBufferOffset the driver leaves behind
    std::uint32_t activateReturnCode = 0;
    std::optional<std::size_t> failRequest;
    std::uint32_t failReturnCode = 0;  // 0: DeviceIoControl fails; else this ReturnCode

    std::vector<std::uint8_t> received;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces;  // offset, BufferSize
    std::size_t count = 0;

    platform::ControlResult Answer(std::span<std::uint8_t> buffer) {
        const std::size_t number = count++;
        if (failRequest == number) {
            if (failReturnCode == 0) {
                return {false, 0, win::kErrorIoDevice};
            }
            platform::PutU32(buffer, 20, failReturnCode);
            return {true, static_cast<std::uint32_t>(buffer.size()), 0};
        }
        const std::uint32_t function = platform::GetU32(buffer, 36);
        if (function == 1) {
            const std::size_t at = infoOffset.value_or(52);
            if (infoOffset) {
                platform::PutU32(buffer, 44, *infoOffset);
            }
            if (platform::FitsIn(buffer.size(), at, 16)) {
                buffer[at + 8] = upgradeSupport;
                buffer[at + 9] =
                    slotCountOverride.value_or(static_cast<std::uint8_t>(slots.size()));
                buffer[at + 11] = pendingSlot;
            }
            for (std::size_t i = 0; i < slots.size(); ++i) {
                if (platform::FitsIn(buffer.size(), at + 16 + 16 * i, 16)) {
                    buffer[at + 16 + 16 * i] = slots[i].number;
                    buffer[at + 17 + 16 * i] = slots[i].readOnly ? 1 : 0;
                    std::copy_n(slots[i].revision.begin(),
                                std::min<std::size_t>(8, slots[i].revision.size()),
                                buffer.begin() + static_cast<std::ptrdiff_t>(at + 24 + 16 * i));
                }
            }
        } else if (function == 2) {
            const std::uint64_t offset = platform::GetU64(buffer, 60);
            const std::uint64_t size = platform::GetU64(buffer, 68);
            pieces.emplace_back(offset, size);
            received.insert(received.end(), buffer.begin() + 76, buffer.begin() + 76 + size);
        } else if (function == 3) {
            platform::PutU32(buffer, 20, activateReturnCode);
        }
        return {true, static_cast<std::uint32_t>(buffer.size()), 0};
    }
};

inline image::FirmwareImage TestImage() {
    image::FirmwareImage image;
    image.WorkingCopy.resize(kImageBytes);
    for (std::size_t i = 0; i < image.WorkingCopy.size(); ++i) {
        image.WorkingCopy[i] = static_cast<std::uint8_t>(i * 31 + (i >> 12));
    }
    image.ImageRevision = u"XQ72DMRB";
    image.UpgradableRevision = u"XQ71DMRB";
    return image;
}

inline DiskRecord SelectedDisk(std::int32_t granularity) {
    DiskRecord disk = model::MakeCandidate(kDisk, -1, model::AccessKind::Inbox);
    disk.ModelNumber = u"VELKORA TRVX208K                        ";
    disk.SerialNumber = u"SN0001              ";
    disk.FirmwareRevision = u"XQ71DMRB";
    disk.UpdateGranularity = granularity;
    return disk;
}

struct UpdateRun {
    fakes::FakeMachine machine;
    Miniport miniport;
    image::FirmwareImage image = TestImage();

    UpdateRun() {
        machine.io.respond = [this](const fakes::Sent&, std::span<std::uint8_t> b) {
            return miniport.Answer(b);
        };
    }
    int Update(std::int32_t granularity, std::uint32_t bytes = kImageBytes) {
        last = inbox::UpdateInboxDisk(machine.platform, machine.events, SelectedDisk(granularity),
                                      image, bytes);
        return model::ToInt(last.Result);
    }
    model::UpdateOutcome last;
    std::vector<std::uint32_t> Functions() const {
        std::vector<std::uint32_t> functions;
        for (const auto& r : machine.io.sent) {
            functions.push_back(platform::GetU32(r.bytes, 36));
        }
        return functions;
    }
};

// The functions of the requests sent: get-info, `downloads` downloads, maybe activate.
inline std::vector<std::uint32_t> Sequence(std::size_t downloads, bool activate) {
    std::vector<std::uint32_t> functions(1, 1);
    functions.insert(functions.end(), downloads, 2);
    if (activate) {
        functions.push_back(3);
    }
    return functions;
}

}  // namespace inbox_test
