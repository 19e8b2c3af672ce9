#include <gtest/gtest.h>

#include <vector>

#include "app/disk_inventory.h"
#include "platform/text.h"

namespace {

using model::DiskRecord;

// An inbox disk at its own device number.
DiskRecord WithRevision(std::u16string revision, std::u16string serial) {
    static int number = 0;
    DiskRecord disk;
    disk.AccessPath = model::AccessKind::Inbox;
    disk.DevicePath = u"\\\\.\\PHYSICALDRIVE" + platform::ToU16(platform::DecimalText(number++));
    disk.FirmwareRevision = std::move(revision);
    disk.SerialNumber = std::move(serial);
    return disk;
}

// A disk behind RST: a member of RAID set `set`, or a plain disk when set is -1.
DiskRecord BehindRst(std::u16string serial, std::uint16_t vendor, std::int64_t port,
                     std::int32_t set, std::u16string controller = u"\\\\?\\pci#ven_8086") {
    DiskRecord disk = WithRevision(u"XQ71DMRB", std::move(serial));
    disk.AccessPath = set < 0 ? model::AccessKind::RstDisk : model::AccessKind::RstRaid;
    disk.DevicePath = std::move(controller);
    disk.PortNumber = port;
    disk.RaidSetIndex = set;
    disk.KnownNvme = true;
    disk.PciVendorId = vendor;
    return disk;
}

TEST(SelectDisks, OnlyExactOlderOrImageRevisionsAreSelectedInOrderEachDriveOnce) {
    image::FirmwareImage image;
    image.ImageRevision = u"XQ74DMRB";
    image.UpgradableRevision = u"XQ71DMRB";
    const model::DiskList identified = {
        WithRevision(u"XQ71DMRB", u"a"),
        WithRevision(u"XQ71DMRB ", u"trailing blank"),
        WithRevision(u"xq71dmrb", u"lower case"),
        WithRevision(std::u16string(u"XQ71DMR\0", 8), u"zero character"),
        WithRevision(u"XQ71DMR", u"short"),
        WithRevision(u"XQ70DMRB", u"older"),
        WithRevision(u"XQ75DMRB", u"newer"),
        WithRevision(u"XQ74DMRB", u"b"),
        WithRevision(u"XQ71DMRB", u"a"),  // a second drive with the first one's serial
        WithRevision(u"XQ71DMRB", std::u16string(20, u' ')),
        BehindRst(u"r", 0x7A3C, 0, 0),
        BehindRst(u"s", 0x7A3C, 0x100, 1),  // port 0 of set 1: the same drive, whatever its serial
        BehindRst(u"r", 0x7A3C, 1, 1),      // another drive with the same serial
        BehindRst(u"t", 0x7A3C, 1, -1),     // a plain disk where a member answers: not updated
        BehindRst(u"u", 0x7A3C, 1, 1, u"\\\\?\\PCI#VEN_8086"),    // the same path in capitals
        BehindRst(u"v", 0x7A3C, 1, 1, u"\\\\?\\pci#ven_8086#2"),  // another controller
        BehindRst(u"o", 0x8086, 2, -1),  // another maker's drive behind RST
        BehindRst(u"z", 0, 3, -1),
    };
    std::vector<std::u16string> serials;
    std::vector<std::int64_t> ports;
    for (std::size_t index = 0; index < identified.size(); ++index) {
        const app::Selection selection = app::SelectionOf(identified, index, image);
        if (app::IsSelected(selection.Reason)) {
            serials.push_back(identified[index].SerialNumber);
            ports.push_back(identified[index].PortNumber);
        }
        // The plain disk at a member's port collides with that member; the member reached
        // through a second RAID set is the same drive.
        if (identified[index].SerialNumber == u"t") {
            EXPECT_EQ(selection.Reason, app::SelectionReason::AddressCollision);
            EXPECT_EQ(selection.Earlier, 12u);
        }
        if (identified[index].SerialNumber == u"s") {
            EXPECT_EQ(selection.Reason, app::SelectionReason::SameDrive);
        }
    }
    const std::vector<std::u16string> expected = {u"a", u"b", u"a", std::u16string(20, u' '),
                                                  u"r", u"r", u"v"};
    EXPECT_EQ(serials, expected);
    EXPECT_EQ(ports[5], 1);
}

TEST(SelectDisks, AnImageRevisionWithAZeroCharacterMatchesNoShorterRevision) {
    image::FirmwareImage image;
    image.ImageRevision = std::u16string(u"XQ74\0MRB", 8);
    image.UpgradableRevision = u"XQ71DMRB";
    const model::DiskList identified = {WithRevision(u"XQ74", u"x")};
    EXPECT_EQ(app::SelectionOf(identified, 0, image).Reason, app::SelectionReason::AnotherRevision);
}

}  // namespace
