// The simulated inbox driver decodes requests from the Windows layouts and refuses malformed ones.
#include <gtest/gtest.h>

#include <vector>

#include "image/carried_image.h"
#include "platform/byte_layout.h"
#include "sim/inbox_driver.h"

namespace {

using platform::GetU32;
using platform::PutU32;
using platform::PutU64;

sim::NvmeDriveConfig DriveConfig() {
    sim::NvmeDriveConfig c;
    c.name = "d";
    c.revision = "XQ71DMRB";
    c.frmw = 0x07;  // three slots, slot 1 read-only
    c.fwug = 1;
    return c;
}

// SRB_IO_CONTROL "FIRMWARE" + FIRMWARE_REQUEST_BLOCK with the data area at 52.
std::vector<std::uint8_t> FirmwareRequest(std::uint32_t function, std::size_t dataSize) {
    std::vector<std::uint8_t> b(52 + dataSize);
    PutU32(b, 0, 28);
    platform::PutAscii(b, 4, "FIRMWARE");
    PutU32(b, 12, 30);
    PutU32(b, 16, 0x1B0780);
    PutU32(b, 24, static_cast<std::uint32_t>(b.size() - 28));
    PutU32(b, 28, 1);
    PutU32(b, 32, 24);
    PutU32(b, 36, function);
    PutU32(b, 40, 1);
    PutU32(b, 44, 52);
    PutU32(b, 48, static_cast<std::uint32_t>(dataSize));
    return b;
}

std::vector<std::uint8_t> DownloadRequest(std::uint64_t offset, std::uint32_t size) {
    std::vector<std::uint8_t> b = FirmwareRequest(2, 24 + size);
    PutU32(b, 52, 1);
    PutU32(b, 56, 24);
    PutU64(b, 60, offset);
    PutU64(b, 68, size);
    platform::PutBytes(b, 76, std::span<const std::uint8_t>(image::kCarriedImage + offset, size));
    return b;
}

std::vector<std::uint8_t> ActivateRequest(std::uint8_t slot) {
    std::vector<std::uint8_t> b = FirmwareRequest(3, 12);
    PutU32(b, 52, 1);
    PutU32(b, 56, 12);
    b[60] = slot;
    return b;
}

std::vector<std::uint8_t> IdentifyQuery() {
    std::vector<std::uint8_t> b(4144);
    PutU32(b, 0, 49);
    PutU32(b, 8, 3);
    PutU32(b, 12, 1);
    PutU32(b, 16, 1);
    PutU32(b, 24, 40);
    PutU32(b, 28, 4096);
    return b;
}

class InboxDriverTest : public testing::Test {
protected:
    platform::ControlResult Send(std::uint32_t code, std::vector<std::uint8_t>& b) {
        return driver.Control(code, b, static_cast<std::uint32_t>(b.size()));
    }
    std::uint32_t Miniport(std::vector<std::uint8_t> b) {
        const platform::ControlResult r = Send(win::kIoctlScsiMiniport, b);
        EXPECT_TRUE(r.Ok);
        return GetU32(b, 20);
    }

    sim::NvmeDrive drive{DriveConfig()};
    sim::InboxDriver driver{drive, 3};
};

TEST_F(InboxDriverTest, DeviceNumberNeedsTwelveBytes) {
    std::vector<std::uint8_t> answer(12), small(8);
    const platform::ControlResult r = Send(win::kIoctlStorageGetDeviceNumber, answer);
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.BytesReturned, 12u);
    EXPECT_EQ(GetU32(answer, 0), 7u);  // FILE_DEVICE_DISK
    EXPECT_EQ(GetU32(answer, 4), 3u);
    EXPECT_EQ(Send(win::kIoctlStorageGetDeviceNumber, small).Error, win::kErrorInsufficientBuffer);
}

TEST_F(InboxDriverTest, MalformedIdentifyQueriesFail) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    };
    for (const Case& c : {Case{"device property", 0, 0}, Case{"type query", 4, 1},
                          Case{"SATA protocol", 8, 2}, Case{"log page", 12, 2},
                          Case{"namespace data", 16, 0}, Case{"offset inside header", 24, 8},
                          Case{"data past the buffer", 24, 64}, Case{"short data", 28, 512}}) {
        std::vector<std::uint8_t> b = IdentifyQuery();
        PutU32(b, c.offset, c.value);
        const platform::ControlResult r = Send(win::kIoctlStorageQueryProperty, b);
        EXPECT_FALSE(r.Ok) << c.what;
        EXPECT_EQ(r.Error, win::kErrorInvalidParameter) << c.what;
    }
}

TEST_F(InboxDriverTest, MalformedMiniportHeadersFailTheCall) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        win::Dword error;
    };
    for (const Case& c : {Case{"header length", 0, 24, win::kErrorInvalidParameter},
                          Case{"length past the buffer", 24, 5000, win::kErrorInvalidParameter},
                          Case{"control code", 16, 0x1B0781, sim::kErrorInvalidFunction}}) {
        std::vector<std::uint8_t> b = FirmwareRequest(1, 4120);
        PutU32(b, c.offset, c.value);
        const platform::ControlResult r = Send(win::kIoctlScsiMiniport, b);
        EXPECT_FALSE(r.Ok) << c.what;
        EXPECT_EQ(r.Error, c.error) << c.what;
    }
    std::vector<std::uint8_t> b = FirmwareRequest(1, 4120);
    platform::PutAscii(b, 4, std::string_view("FIRMWAR\0", 8));
    EXPECT_EQ(Send(win::kIoctlScsiMiniport, b).Error, sim::kErrorInvalidFunction);
}

TEST_F(InboxDriverTest, MalformedRequestBlocksAnswerInvalidParameter) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        std::uint32_t returnCode;
    };
    for (const Case& c :
         {Case{"block version", 28, 2, 3}, Case{"block size", 32, 32, 3},
          Case{"data inside the block", 44, 48, 3}, Case{"data past the request", 48, 4121, 3},
          Case{"unknown function", 36, 9, 2}, Case{"download version", 52, 2, 3},
          Case{"download size", 56, 28, 3}, Case{"piece past the data", 68 + 4, 1, 3}}) {
        std::vector<std::uint8_t> b = DownloadRequest(0, 4096);
        PutU32(b, c.offset, c.value);
        EXPECT_EQ(Miniport(b), c.returnCode) << c.what;
    }
    EXPECT_TRUE(drive.BytesReceived().empty());
}

TEST_F(InboxDriverTest, WholeDownloadAndActivationOfAWritableSlot) {
    EXPECT_EQ(Miniport(ActivateRequest(2)), sim::kFirmwareStatusInvalidImage);  // nothing staged
    for (std::uint64_t offset = 0; offset < image::kImageSize; offset += 4096) {
        ASSERT_EQ(Miniport(DownloadRequest(offset, 4096)), 0u);
    }
    EXPECT_EQ(Miniport(ActivateRequest(1)), sim::kFirmwareStatusInvalidSlot);
    EXPECT_EQ(Miniport(ActivateRequest(2)), sim::kFirmwareStatusSuccess);
    EXPECT_EQ(drive.PendingSlot(), 2);
}

}  // namespace
