// An NVMe drive as its controller answers admin commands that concern firmware: Identify
// Controller, the firmware slot information log, Firmware Image Download, Firmware Commit and a
// controller reset. Statuses are (status code type << 8) | status code, as the NVMe standard
// numbers them (0x106 is SCT 1, SC 06h).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

inline constexpr std::uint16_t kNvmeSuccess = 0x000;
inline constexpr std::uint16_t kNvmeInvalidField = 0x002;
inline constexpr std::uint16_t kNvmeInvalidFirmwareSlot = 0x106;
inline constexpr std::uint16_t kNvmeInvalidFirmwareImage = 0x107;
inline constexpr std::uint16_t kNvmeConventionalResetRequired = 0x10B;
inline constexpr std::uint16_t kNvmeSubsystemResetRequired = 0x110;
inline constexpr std::uint16_t kNvmeControllerResetRequired = 0x111;
inline constexpr std::uint16_t kNvmeOverlappingRange = 0x114;

inline constexpr std::size_t kIdentifySize = 4096;
// Identify Controller fields (NVMe base standard, figure "Identify Controller Data Structure").
namespace identify {
inline constexpr std::size_t kVidOffset = 0, kSsvidOffset = 2;
inline constexpr std::size_t kSnOffset = 4, kSnWidth = 20;
inline constexpr std::size_t kMnOffset = 24, kMnWidth = 40;
inline constexpr std::size_t kFrOffset = 64, kFrWidth = 8;
inline constexpr std::size_t kVerOffset = 80;
inline constexpr std::size_t kFrmwOffset = 260;
inline constexpr std::size_t kFwugOffset = 319;
}  // namespace identify
inline constexpr std::size_t kFirmwareSlotLogSize = 512;

struct NvmeDriveConfig {
    std::string name;  // how scenarios and tests name the drive
    std::string serial = "S0000000000000";
    std::string model = "NVMe Drive";
    std::string revision = "1.0";  // running revision; also slot 1's image unless `slots`
    // Each slot's revision from slot 1 on ("" an empty slot); none given: slot 1 holds `revision`.
    std::optional<std::vector<std::string>> slots;
    std::uint8_t activeSlot = 1;
    std::optional<std::uint8_t> pendingSlot;  // the slot activated at the next reset
    std::uint32_t version = 0x00010300;       // VER: major << 16 | minor << 8 | tertiary
    std::uint8_t frmw = 0x06;                 // FRMW: 3 slots, slot 1 writable
    std::uint8_t fwug = 0x01;                 // FWUG in 4 KiB units
    std::uint16_t pciVendorId = 0x7A3C;       // VID and SSVID; another maker's drive overrides both
    std::map<std::size_t, std::uint8_t> identifyOverrides;  // Identify byte -> value, applied last

    // Fault knobs.
    std::optional<std::uint32_t> rejectPiece;  // 0-based number of the download to refuse
    std::uint16_t rejectPieceStatus = kNvmeInvalidField;
    std::optional<std::uint16_t> commitStatus;  // answer every Firmware Commit with this status
    bool acceptShortLastPiece = true;           // a short piece ending at the image end
    bool detectOverlap = true;                  // 0x114 for overlapping pieces
};

// One admin command the drive received.
struct DriveRequest {
    enum class Kind { Identify, SlotLog, Download, Commit, Reset };
    Kind kind = Kind::Identify;
    std::uint64_t offset = 0;  // Download: byte offset
    std::uint64_t length = 0;  // Download: byte count
    std::uint8_t slot = 0;     // Commit
    std::uint8_t action = 0;   // Commit
    std::uint16_t status = 0;  // what the drive answered
};

class NvmeDrive {
public:
    explicit NvmeDrive(NvmeDriveConfig config);

    const NvmeDriveConfig& Config() const { return m_config; }
    const std::string& Name() const { return m_config.name; }

    // Identify Controller (CNS 01h): SN, MN, FR blank-padded, VER, FRMW, FWUG, overrides.
    std::array<std::uint8_t, kIdentifySize> IdentifyController();
    // The same data without a command: what a driver cached when it started the controller.
    std::array<std::uint8_t, kIdentifySize> IdentifyData() const;
    // Log page 03h: AFI, then the eight 8-byte slot revisions.
    std::array<std::uint8_t, kFirmwareSlotLogSize> FirmwareSlotLog();
    // Firmware Image Download of data at a byte offset (the driver converts to OFST/NUMD).
    std::uint16_t Download(std::uint64_t offset, std::span<const std::uint8_t> data);
    // Firmware Commit: slot (0 = controller chooses) and commit action 0-3.
    std::uint16_t Commit(std::uint8_t slot, std::uint8_t action);
    // A controller reset: a pending image becomes the running one.
    void Reset();

    // Firmware slots as FRMW describes them.
    std::uint8_t SlotCount() const;
    bool SlotReadOnly(std::uint8_t slot) const;
    std::uint8_t ActiveSlot() const { return m_activeSlot; }
    std::optional<std::uint8_t> PendingSlot() const { return m_pendingSlot; }
    std::string SlotRevision(std::uint8_t slot) const;
    std::string RunningRevision() const;

    // Observations for tests.
    const std::vector<DriveRequest>& Requests() const { return m_requests; }
    std::size_t CountRequests(DriveRequest::Kind kind) const;
    // The data of every accepted download, concatenated in the order received.
    const std::vector<std::uint8_t>& BytesReceived() const { return m_received; }
    // Whether the staged pieces form exactly the known-good image.
    bool StagedIsKnownGood() const;
    // Whether the last successful replacing commit installed the known-good image.
    bool CommittedKnownGood() const { return m_committedKnownGood; }
    bool ActivationPending() const { return m_pendingSlot.has_value(); }

private:
    struct Piece {
        std::uint64_t offset;
        std::vector<std::uint8_t> data;
    };

    std::uint16_t Record(DriveRequest request);
    std::uint8_t ChooseSlot() const;

    NvmeDriveConfig m_config;
    std::array<std::string, 8> m_slotRevisions;  // index 1..7
    // The firmware the controller runs: a new image in the active slot runs only after a reset.
    std::string m_runningRevision;
    std::uint8_t m_activeSlot = 1;
    std::optional<std::uint8_t> m_pendingSlot;
    std::vector<Piece> m_staged;
    std::vector<std::uint8_t> m_received;
    std::vector<DriveRequest> m_requests;
    std::uint32_t m_downloadCount = 0;
    bool m_committedKnownGood = false;
};

}  // namespace sim
