#include <gtest/gtest.h>

#include "app/disk_inventory.h"

namespace {

using discovery::DiskRecord;

DiskRecord WithRevision(std::u16string revision, std::u16string serial) {
    DiskRecord disk;
    disk.AccessPath = discovery::kAccessInbox;
    disk.FirmwareRevision = std::move(revision);
    disk.SerialNumber = std::move(serial);
    return disk;
}

TEST(SelectDisks, OnlyExactOlderOrImageRevisionsAreSelectedInOrderWithDuplicates) {
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
        WithRevision(u"XQ71DMRB", u"a"),
    };
    discovery::DiskList selected;
    inventory.SelectDisks(image, selected);
    ASSERT_EQ(selected.size(), 3u);
    EXPECT_EQ(selected[0].SerialNumber, u"a");
    EXPECT_EQ(selected[1].SerialNumber, u"b");
    EXPECT_EQ(selected[2].SerialNumber, u"a");
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
