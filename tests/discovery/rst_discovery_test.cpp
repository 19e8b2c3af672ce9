#include <gtest/gtest.h>

#include "discovery/rst_discovery.h"
#include "platform/text.h"
#include "tests/fakes/fake_platform.h"

namespace {

constexpr model::AccessKind kRaid = model::AccessKind::RstRaid;
constexpr model::AccessKind kDisk = model::AccessKind::RstDisk;

using Device = fakes::FakeSetup::Device;
using fakes::FakeMachine;

Device Controller(std::u16string path, std::u16string description, std::uint32_t devInst = 10) {
    Device d;
    d.devInst = devInst;
    d.interfacePath = std::move(path);
    d.driverDesc = std::move(description);
    d.instanceId = u"PCI\\VEN_8086&DEV_2822\\3&11583659&0&FA";
    return d;
}

const std::u16string kRstPath = u"\\\\?\\pci#ven_8086&dev_2822#3&11583659&0&fa#{2accfe60}";
const std::u16string kOtherRstPath = u"\\\\?\\pci#ven_8086&dev_a382#3&1&0&b8#{2accfe60}";
const std::u16string kRstDescription = u"Intel(R) Chipset SATA/PCIe RST Premium Controller";

TEST(FindRstController, DriverDescriptionNeedsIntelControllerAndRstOrRaid) {
    const std::vector<std::pair<std::u16string, bool>> cases = {
        {kRstDescription, true},
        {u"Intel RAID Controller", true},
        {u"Intel Storage Controller", false},
        {u"intel RST Controller", false},
        {u"Intel RST Premium", false},
        {u"Intel RST controller", false},
    };
    for (const auto& [description, chosen] : cases) {
        FakeMachine m;
        m.setup.storagePorts = {Controller(kRstPath, description)};
        discovery::RaidController controller;
        EXPECT_EQ(discovery::FindRstController(m.platform, m.events, controller), chosen);
        EXPECT_EQ(controller.Found, chosen);
        EXPECT_TRUE(m.NothingLeftOpen());
    }
}

TEST(FindRstController, FirstMatchWinsAndKeepsThePathsLetterCase) {
    FakeMachine m;
    m.setup.storagePorts = {
        Controller(u"\\\\?\\pci#ven_1022&dev_7901#x#{2accfe60}", kRstDescription),
        Device{},  // no interface at this index
        Controller(kRstPath, kRstDescription), Controller(kOtherRstPath, kRstDescription)};
    discovery::RaidController controller;
    ASSERT_TRUE(discovery::FindRstController(m.platform, m.events, controller));
    EXPECT_EQ(controller.DevicePath, kRstPath);
    EXPECT_EQ(controller.InstanceId, u"PCI\\VEN_8086&DEV_2822\\3&11583659&0&FA");
    ASSERT_EQ(m.io.opens.size(), 1u);
    EXPECT_EQ(m.io.opens[0].access, 0xC0000000u);
    EXPECT_EQ(m.io.opens[0].share, 3u);
    EXPECT_EQ(m.io.opens[0].flags, 0x40000080u);
    EXPECT_EQ(m.setup.listFlags, std::vector<win::Dword>{0x12});
    EXPECT_TRUE(m.NothingLeftOpen());
}

// An unreadable interface detail, an unopenable match or an unreadable instance ID end the search.
TEST(FindRstController, FailuresEndTheWholeSearch) {
    for (int fault = 0; fault < 4; ++fault) {
        FakeMachine m;
        m.setup.storagePorts = {Controller(kRstPath, kRstDescription),
                                Controller(kOtherRstPath, kRstDescription)};
        if (fault == 0)
            m.setup.storagePorts[0].detailFails = true;
        if (fault == 1)
            m.io.openErrors[kRstPath] = 5;
        if (fault == 2)
            m.setup.storagePorts[0].instanceId.reset();
        if (fault == 3)
            m.setup.failingLists.insert(&m.setup.storagePorts);
        discovery::RaidController controller;
        EXPECT_FALSE(discovery::FindRstController(m.platform, m.events, controller)) << fault;
        EXPECT_LE(m.io.opens.size(), 1u);
        EXPECT_TRUE(m.NothingLeftOpen());
    }
}

Device Disk(std::uint32_t devInst, std::u16string parent, std::u16string instance,
            std::optional<std::u16string> location = std::nullopt) {
    Device d;
    d.devInst = devInst;
    d.parentId = std::move(parent);
    d.instanceId = std::move(instance);
    d.interfacePath = u"\\\\?\\scsi#disk&ven_nvme#" + platform::ToU16(std::to_string(devInst));
    d.location = std::move(location);
    return d;
}

const std::u16string kIntelParent = u"PCI\\VEN_8086&DEV_2822&SUBSYS_1\\3&11583659&0&FA";
const std::u16string kRaidVolume = u"SCSI\\DISK&VEN_INTEL&PROD_RAID_1_VOLUME\\4&1&0&000";
const std::u16string kPlainDisk = u"SCSI\\DISK&VEN_NVME&PROD_VELKORA_TRVX\\4&2&0&010";

TEST(EnumerateRstDisks, VolumesAndPlainDisksGetTheControllersPath) {
    FakeMachine m;
    m.setup.disks = {
        Disk(20, kIntelParent, kRaidVolume),
        Disk(21, u"PCI\\VEN_7A3C&DEV_0001\\4&1", kPlainDisk, u"Bus Number 0, Target Id 0, LUN 0"),
        Disk(22, kIntelParent, kPlainDisk, u"Bus Number 3, Target Id 0, LUN 0"),
        Disk(23, kIntelParent, u"SCSI\\DISK&VEN_INTEL&PROD_SSD\\4&3", u"PCI bus 0, device 23"),
        Disk(24, kIntelParent, kRaidVolume),
    };
    m.setup.disks[3].interfacePath.reset();  // no interface: skipped
    m.setup.disks.push_back(Disk(25, kIntelParent, u"SCSI\\DISK&VEN_INTEL&PROD_SSD\\4&4", u"x"));
    // Another Intel device's disk (an Intel SSD on the inbox driver) at bus 0: not this
    // controller's, not opened.
    m.setup.disks.push_back(
        Disk(26, u"PCI\\VEN_8086&DEV_F1A8\\4&9", kPlainDisk, u"Bus Number 0, Target Id 0, LUN 0"));
    m.setup.everyDevice = m.setup.disks;
    // Instance IDs compare without regard to letter case.
    discovery::RaidController controller{true, kRstPath,
                                         u"pci\\ven_8086&dev_2822&subsys_1\\3&11583659&0&fa"};
    model::DiskList candidates;
    EXPECT_TRUE(discovery::EnumerateRstDisks(m.platform, m.events, controller, candidates));
    model::DiskList expected = {
        model::MakeCandidate(kRstPath, -1, kRaid), model::MakeCandidate(kRstPath, 3, kDisk),
        model::MakeCandidate(kRstPath, -1, kRaid), model::MakeCandidate(kRstPath, -1, kDisk)};
    expected[1].KnownNvme = true;  // "VEN_NVME" in its instance ID; the Intel one has none
    EXPECT_EQ(candidates, expected);
    for (const auto& open : m.io.opens) {
        EXPECT_EQ(open.access, 0xC0000000u);
        EXPECT_EQ(open.share, 3u);
        EXPECT_EQ(open.flags, 0u);
    }
    EXPECT_EQ(m.io.opens.size(), 2u);  // volumes are not opened
    EXPECT_TRUE(m.NothingLeftOpen());
}

TEST(ReadRstBusNumber, LocationTexts) {
    const std::vector<std::pair<std::optional<std::u16string>, std::int64_t>> cases = {
        {u"Bus Number 2, Target Id 0, LUN 0", 2},
        {u"Bus Number 3,", 3},
        {u"Bus Number 12abc, Target Id 0", 12},
        {u"Bus Number -4, Target Id 0", -4},
        {u"Bus Number 7", 7},               // no comma: the whole text
        {u"Bus Number , Target Id 0", -1},  // no digits
        {u"Bus Number x", -1},
        {u"x,Bus Number 2", -1},  // nothing before the comma to read
        {u"Bus Number 99999999999, x", 2147483647},
        {u"PCI bus 1, device 0, function 0", -1},
        {u"bus number 2, Target Id 0", -1},
        {std::nullopt, -1},
    };
    for (const auto& [location, expected] : cases) {
        FakeMachine m;
        m.setup.everyDevice = {Disk(7, u"", u"", u"Bus Number 9, x"), Disk(8, u"", u"", location)};
        EXPECT_EQ(discovery::ReadRstBusNumber(m.platform, 8), expected)
            << platform::Narrow(location.value_or(u"(none)"));
        EXPECT_EQ(m.setup.listFlags, std::vector<win::Dword>{0x6});
        EXPECT_TRUE(m.NothingLeftOpen());
    }
    FakeMachine m;
    m.setup.everyDevice = {Disk(7, u"", u"", u"Bus Number 9, x")};
    EXPECT_EQ(discovery::ReadRstBusNumber(m.platform, 8), -1);
    m.setup.failingLists.insert(&m.setup.everyDevice);
    EXPECT_EQ(discovery::ReadRstBusNumber(m.platform, 7), -1);
}

}  // namespace
