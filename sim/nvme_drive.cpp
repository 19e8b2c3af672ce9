#include "sim/nvme_drive.h"

#include <algorithm>
#include <cstring>

#include "image/carried_image.h"
#include "platform/byte_layout.h"

namespace sim {

namespace {

using namespace identify;

// The revision an image installs, as the drive reads it from the image's metadata.
constexpr std::size_t kImageRevisionOffset = 0x820;
constexpr std::size_t kRevisionWidth = 8;
// The drive's staging memory for a downloaded image.
constexpr std::uint64_t kStagingCapacity = 0x400000;

void PutBlankPadded(std::span<std::uint8_t> data, std::size_t offset, std::size_t width,
                    const std::string& text) {
    for (std::size_t i = 0; i < width; ++i) {
        data[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0x20;
    }
}

std::string KnownGoodRevision() {
    return std::string(reinterpret_cast<const char*>(image::kCarriedImage + kImageRevisionOffset),
                       kRevisionWidth);
}

DriveRequest Request(DriveRequest::Kind kind, std::uint64_t offset = 0, std::uint64_t length = 0) {
    DriveRequest request;
    request.kind = kind;
    request.offset = offset;
    request.length = length;
    return request;
}

}  // namespace

NvmeDrive::NvmeDrive(NvmeDriveConfig config) : m_config(std::move(config)) {
    if (m_config.slots) {
        for (std::size_t i = 0; i < m_config.slots->size() && i + 1 < m_slotRevisions.size(); ++i) {
            m_slotRevisions[i + 1] = (*m_config.slots)[i];
        }
    } else {
        m_slotRevisions[1] = m_config.revision;
    }
    m_runningRevision = m_config.revision;
    m_activeSlot = m_config.activeSlot;
    m_pendingSlot = m_config.pendingSlot;
}

std::uint16_t NvmeDrive::Record(DriveRequest request) {
    m_requests.push_back(request);
    return request.status;
}

std::array<std::uint8_t, kIdentifySize> NvmeDrive::IdentifyData() const {
    std::array<std::uint8_t, kIdentifySize> data{};
    platform::PutU16(data, kVidOffset, m_config.pciVendorId);
    platform::PutU16(data, kSsvidOffset, m_config.pciVendorId);
    PutBlankPadded(data, kSnOffset, kSnWidth, m_config.serial);
    PutBlankPadded(data, kMnOffset, kMnWidth, m_config.model);
    PutBlankPadded(data, kFrOffset, kFrWidth, RunningRevision());
    platform::PutU32(data, kVerOffset, m_config.version);
    data[kFrmwOffset] = m_config.frmw;
    data[kFwugOffset] = m_config.fwug;
    for (const auto& [offset, value] : m_config.identifyOverrides) {
        if (offset < data.size()) {
            data[offset] = value;
        }
    }
    return data;
}

std::array<std::uint8_t, kIdentifySize> NvmeDrive::IdentifyController() {
    Record(Request(DriveRequest::Kind::Identify));
    return IdentifyData();
}

std::array<std::uint8_t, kFirmwareSlotLogSize> NvmeDrive::FirmwareSlotLog() {
    std::array<std::uint8_t, kFirmwareSlotLogSize> log{};
    // AFI: bits 2:0 the running slot, bits 6:4 the slot that runs after the next reset.
    log[0] =
        static_cast<std::uint8_t>((m_activeSlot & 0x7) | ((m_pendingSlot.value_or(0) & 0x7) << 4));
    for (std::uint8_t slot = 1; slot <= 7; ++slot) {
        const std::string& revision = m_slotRevisions[slot];
        for (std::size_t i = 0; i < kRevisionWidth && i < revision.size(); ++i) {
            log[8 * slot + i] = static_cast<std::uint8_t>(revision[i]);
        }
    }
    Record(Request(DriveRequest::Kind::SlotLog));
    return log;
}

std::uint8_t NvmeDrive::SlotCount() const {
    const std::uint8_t count = (m_config.frmw >> 1) & 0x7;
    return count;
}

bool NvmeDrive::SlotReadOnly(std::uint8_t slot) const {
    return slot == 1 && (m_config.frmw & 1);
}

std::string NvmeDrive::SlotRevision(std::uint8_t slot) const {
    return slot < m_slotRevisions.size() ? m_slotRevisions[slot] : std::string();
}

std::string NvmeDrive::RunningRevision() const {
    return m_runningRevision;
}

std::size_t NvmeDrive::CountRequests(DriveRequest::Kind kind) const {
    return static_cast<std::size_t>(
        std::count_if(m_requests.begin(), m_requests.end(),
                      [kind](const DriveRequest& r) { return r.kind == kind; }));
}

std::uint16_t NvmeDrive::Download(std::uint64_t offset, std::span<const std::uint8_t> data) {
    DriveRequest request = Request(DriveRequest::Kind::Download, offset, data.size());
    const std::uint32_t number = m_downloadCount++;
    if (m_config.rejectPiece && *m_config.rejectPiece == number) {
        request.status = m_config.rejectPieceStatus;
        return Record(request);
    }
    const std::uint64_t size = data.size();
    // OFST and NUMD count dwords.
    if (size == 0 || offset % 4 != 0 || size % 4 != 0 || offset + size > kStagingCapacity) {
        request.status = kNvmeInvalidField;
        return Record(request);
    }
    // FWUG: 0 gives no information and 0xFF means no restriction.
    const std::uint8_t fwug = m_config.fwug;
    if (fwug != 0 && fwug != 0xFF) {
        const std::uint64_t unit = std::uint64_t{fwug} * 4096;
        const bool shortLast = m_config.acceptShortLastPiece && offset + size == image::kImageSize;
        if (offset % unit != 0 || (size % unit != 0 && !shortLast)) {
            request.status = kNvmeInvalidField;
            return Record(request);
        }
    }
    if (m_config.detectOverlap) {
        for (const Piece& piece : m_staged) {
            if (offset < piece.offset + piece.data.size() && piece.offset < offset + size) {
                request.status = kNvmeOverlappingRange;
                return Record(request);
            }
        }
    }
    m_staged.push_back({offset, std::vector<std::uint8_t>(data.begin(), data.end())});
    m_received.insert(m_received.end(), data.begin(), data.end());
    return Record(request);
}

bool NvmeDrive::StagedIsKnownGood() const {
    std::vector<std::uint8_t> assembled(image::kImageSize);
    std::vector<bool> covered(image::kImageSize, false);
    for (const Piece& piece : m_staged) {
        if (piece.offset + piece.data.size() > image::kImageSize) {
            return false;
        }
        std::copy(piece.data.begin(), piece.data.end(),
                  assembled.begin() + static_cast<std::ptrdiff_t>(piece.offset));
        std::fill_n(covered.begin() + static_cast<std::ptrdiff_t>(piece.offset), piece.data.size(),
                    true);
    }
    if (std::find(covered.begin(), covered.end(), false) != covered.end()) {
        return false;
    }
    return std::memcmp(assembled.data(), image::kCarriedImage, image::kImageSize) == 0;
}

std::uint8_t NvmeDrive::ChooseSlot() const {
    for (std::uint8_t slot = 1; slot <= SlotCount(); ++slot) {
        if (!SlotReadOnly(slot) && slot != m_activeSlot) {
            return slot;
        }
    }
    for (std::uint8_t slot = 1; slot <= SlotCount(); ++slot) {
        if (!SlotReadOnly(slot)) {
            return slot;
        }
    }
    return 1;
}

std::uint16_t NvmeDrive::Commit(std::uint8_t slot, std::uint8_t action) {
    DriveRequest request = Request(DriveRequest::Kind::Commit);
    request.slot = slot;
    request.action = action;
    if (action > 3) {
        request.status = kNvmeInvalidField;
        return Record(request);
    }
    const std::uint8_t target = slot == 0 ? ChooseSlot() : slot;
    const bool replaces = action != 2;
    if (target > SlotCount() || (replaces && SlotReadOnly(target))) {
        request.status = kNvmeInvalidFirmwareSlot;
        return Record(request);
    }
    if (replaces && !StagedIsKnownGood()) {
        request.status = kNvmeInvalidFirmwareImage;
        return Record(request);
    }
    if (!replaces && m_slotRevisions[target].empty()) {
        request.status = kNvmeInvalidFirmwareImage;
        return Record(request);
    }
    // A configured status either reports a reset requirement of a commit that took place, or
    // refuses the commit.
    const std::optional<std::uint16_t> forced = m_config.commitStatus;
    const bool forcedReset = forced && (*forced == kNvmeConventionalResetRequired ||
                                        *forced == kNvmeSubsystemResetRequired ||
                                        *forced == kNvmeControllerResetRequired);
    if (forced && *forced != kNvmeSuccess && !forcedReset) {
        request.status = *forced;
        return Record(request);
    }
    if (replaces) {
        m_slotRevisions[target] = KnownGoodRevision();
        m_staged.clear();
        m_committedKnownGood = true;
    }
    if (action == 3 && (m_config.frmw & 0x10) && !forcedReset) {
        m_activeSlot = target;
        m_pendingSlot.reset();
        m_runningRevision = m_slotRevisions[target];
    } else if (action != 0) {
        m_pendingSlot = target;
        if (action == 3 && !forced) {
            // Activation without reset is not supported: it happens at the next reset.
            request.status = kNvmeConventionalResetRequired;
        }
    }
    if (forcedReset) {
        request.status = *forced;
    }
    return Record(request);
}

void NvmeDrive::Reset() {
    if (m_pendingSlot) {
        m_activeSlot = *m_pendingSlot;
        m_pendingSlot.reset();
    }
    m_runningRevision = m_slotRevisions[m_activeSlot];
    Record(Request(DriveRequest::Kind::Reset));
}

}  // namespace sim
