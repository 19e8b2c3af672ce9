#include <gtest/gtest.h>

#include <vector>

#include "app/disk_inventory.h"

namespace {

using discovery::DiskRecord;

DiskRecord WithRevision(std::u16string revision, std::u16string serial) {
    DiskRecord disk;
    disk.AccessPath = discovery::AccessPath::Inbox;
    disk.FirmwareRevision = std::move(revision);
    disk.SerialNumber = std::move(serial);
    return disk;
}

DiskRecord BehindRst(std::u16string serial, std::uint16_t vendor, std::u16string model = u"m") {
    DiskRecord disk = WithRevision(u"XQ71DMRB", std::move(serial));
    disk.AccessPath = discovery::AccessPath::RstRaid;
    disk.pciVendorId = vendor;
    disk.ModelNumber = std::move(model);
    return disk;
}

TEST(SelectDisks, OnlyExactOlderOrImageRevisionsAreSelectedInOrderEachDriveOnce) {
    image::FirmwareImage image;
    image.ImageRevision = u"XQ74DMRB";
    image.UpgradableRevision = u"XQ71DMRB";
    app::DiskInventory inventory;
    inventory.Identified = {
        WithRevision(u"XQ71DMRB", u"a"),
        WithRevision(u"XQ71DMRB ", u"trailing blank"),
        WithRevision(u"xq71dmrb", u"lower case"),
        WithRevision(std::u16string(u"XQ71DMR\0", 8), u"zero character"),
        WithRevision(u"XQ71DMR", u"short"),
        WithRevision(u"XQ70DMRB", u"older"),
        WithRevision(u"XQ75DMRB", u"newer"),
        WithRevision(u"XQ74DMRB", u"b"),
        WithRevision(u"XQ71DMRB", u"a"),                      // the first drive reached again
        WithRevision(u"XQ71DMRB", std::u16string(20, u' ')),  // blank serials never merge
        WithRevision(u"XQ71DMRB", std::u16string(20, u' ')),
        BehindRst(u"r", 0x7A3C),
        BehindRst(std::u16string(u"r\0\0", 3), 0x7A3C),  // the same serial, zero padded
        BehindRst(u"r", 0x7A3C, u"another model"),       // another drive
        BehindRst(u"o", 0x8086),                         // another maker's drive behind RST
        BehindRst(u"z", 0),
    };
    discovery::DiskList selected;
    inventory.SelectDisks(image, selected);
    std::vector<std::u16string> serials;
    for (const DiskRecord& disk : selected) {
        serials.push_back(disk.SerialNumber);
    }
    const std::vector<std::u16string> expected = {
        u"a", u"b", std::u16string(20, u' '), std::u16string(20, u' '), u"r", u"r"};
    EXPECT_EQ(serials, expected);
    EXPECT_EQ(selected[5].ModelNumber, u"another model");
    // Selection copies: the identified list is untouched by later changes.
    selected[0].ResultCode = discovery::ResultCode::RebootRequired;
    EXPECT_EQ(inventory.Identified[0].ResultCode, discovery::ResultCode::Updated);
}

TEST(SelectDisks, AnImageRevisionWithAZeroCharacterMatchesNoShorterRevision) {
    image::FirmwareImage image;
    image.ImageRevision = std::u16string(u"XQ74\0MRB", 8);
    image.UpgradableRevision = u"XQ71DMRB";
    app::DiskInventory inventory;
    inventory.Identified = {WithRevision(u"XQ74", u"x")};
    discovery::DiskList selected;
    inventory.SelectDisks(image, selected);
    EXPECT_TRUE(selected.empty());
}

}  // namespace
