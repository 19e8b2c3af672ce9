#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/device_properties.h"
#include "discovery/inbox_enumeration.h"
#include "platform/byte_layout.h"
#include "platform/text.h"
#include "tests/inbox/fake_platform.h"

namespace {

using discovery::DiskList;
using Device = fakes::FakeSetup::Device;

constexpr char16_t kMakerParent[] =
    u"PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&2a7c3f1&0&0008";
constexpr char16_t kNvmeId[] = u"SCSI\\DiskNVMe____VELKORA_TRVX208KXQ71";

std::u16string InterfacePath(int n) {
    return u"\\\\?\\scsi#disk&ven_nvme&prod_velkora#" + platform::ToU16(std::to_string(n)) +
           u"#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

Device MakerDisk(int n, std::u16string parent = kMakerParent,
                 std::vector<std::u16string> ids = {kNvmeId, u"SCSI\\DiskNVMe____", u"GenDisk"}) {
    return {parent, u"SCSI\\DISK&VEN_NVME\\5&1&0&00000" + platform::ToU16(std::to_string(n)), ids,
            InterfacePath(n)};
}

// A disk that opens and answers IOCTL_STORAGE_GET_DEVICE_NUMBER with `number`.
fakes::FakeIo::Device Numbered(std::uint32_t number) {
    return {0, [number](const fakes::SentRequest& sent, std::span<std::uint8_t> buffer) {
                if (sent.controlCode != win::kIoctlStorageGetDeviceNumber || buffer.size() != 12 ||
                    !sent.input.empty()) {
                    return platform::ControlResult{false, 0, win::kErrorInvalidParameter};
                }
                platform::PutU32(buffer, 0, 7);  // FILE_DEVICE_DISK
                platform::PutU32(buffer, 4, number);
                platform::PutU32(buffer, 8, 0);
                return platform::ControlResult{true, 12, 0};
            }};
}

std::vector<std::u16string> Paths(const DiskList& list) {
    std::vector<std::u16string> paths;
    for (const auto& disk : list) {
        paths.push_back(disk.DevicePath);
    }
    return paths;
}

TEST(InboxEnumeration, OneCandidatePerMatchingDiskInDeviceOrder) {
    fakes::FakeMachine machine;
    machine.setup.devices = {MakerDisk(0), MakerDisk(1)};
    machine.io.devices[InterfacePath(0)] = Numbered(12);
    machine.io.devices[InterfacePath(1)] = Numbered(0);
    DiskList candidates;
    EXPECT_TRUE(discovery::EnumerateInboxNvmeDisks(machine.platform, candidates));

    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], discovery::MakeCandidate(u"\\\\.\\PHYSICALDRIVE12", -1, 3));
    EXPECT_EQ(candidates[1], discovery::MakeCandidate(u"\\\\.\\PHYSICALDRIVE0", -1, 3));
    EXPECT_EQ(machine.setup.listFlags, std::vector<win::Dword>{0x12});
    for (const auto& open : machine.io.opens) {
        EXPECT_EQ(open.access, 0xC0000000u);
        EXPECT_EQ(open.share, 3u);
        EXPECT_EQ(open.flags, 0u);
    }
    EXPECT_TRUE(machine.io.openHandles.empty());
    EXPECT_TRUE(machine.setup.openLists.empty());
    EXPECT_FALSE(machine.setup.misuse);
    EXPECT_EQ(machine.console.Transcript(), "");
}

TEST(InboxEnumeration, IdentifiersMustMatchExactlyAndCaseSensitively) {
    struct Case {
        const char* name;
        Device device;
        std::size_t records;
    };
    const std::vector<Case> cases = {
        {"maker's NVMe disk", MakerDisk(0), 1},
        {"lower-case vendor in parent", MakerDisk(0, u"PCI\\ven_7a3c&DEV_5013\\4&1"), 0},
        {"another maker's parent", MakerDisk(0, u"PCI\\VEN_144D&DEV_A808\\4&1"), 0},
        {"behind an Intel controller", MakerDisk(0, u"PCI\\VEN_8086&DEV_A77F\\3&1"), 0},
        {"no hardware ID names NVMe",
         MakerDisk(0, kMakerParent, {u"SCSI\\DiskVELKORA", u"GenDisk"}), 0},
        {"lower-case nvme", MakerDisk(0, kMakerParent, {u"SCSI\\Disknvme____X"}), 0},
        {"NVMe in the last identifier", MakerDisk(0, kMakerParent, {u"GenDisk", u"SCSI\\DiskNVMe"}),
         1},
        {"no parent property",
         {std::nullopt, u"X", std::vector<std::u16string>{kNvmeId}, InterfacePath(0)},
         0},
        {"no hardware IDs", {kMakerParent, u"X", std::nullopt, InterfacePath(0)}, 0},
        {"empty hardware ID list",
         {kMakerParent, u"X", std::vector<std::u16string>{}, InterfacePath(0)},
         0},
        {"no instance ID",
         {kMakerParent, std::nullopt, std::vector<std::u16string>{kNvmeId}, InterfacePath(0)},
         0},
        {"no disk interface",
         {kMakerParent, u"X", std::vector<std::u16string>{kNvmeId}, std::nullopt},
         0},
    };
    for (const Case& c : cases) {
        fakes::FakeMachine machine;
        machine.setup.devices = {c.device};
        machine.io.devices[InterfacePath(0)] = Numbered(1);
        DiskList candidates;
        EXPECT_TRUE(discovery::EnumerateInboxNvmeDisks(machine.platform, candidates)) << c.name;
        EXPECT_EQ(candidates.size(), c.records) << c.name;
        EXPECT_EQ(machine.io.opens.size(), c.records) << c.name;
        EXPECT_TRUE(machine.setup.openLists.empty()) << c.name;
    }
}

TEST(InboxEnumeration, NvmeNamedTwiceStillYieldsOneRecord) {
    fakes::FakeMachine machine;
    machine.setup.devices = {MakerDisk(0, kMakerParent, {kNvmeId, u"SCSI\\DiskNVMe____"})};
    machine.io.devices[InterfacePath(0)] = Numbered(2);
    DiskList candidates;
    discovery::EnumerateInboxNvmeDisks(machine.platform, candidates);
    EXPECT_EQ(Paths(candidates), std::vector<std::u16string>{u"\\\\.\\PHYSICALDRIVE2"});
    EXPECT_EQ(machine.io.opens.size(), 1u);
}

TEST(InboxEnumeration, DiskWithoutDeviceNumberIsSkippedAndTheNextExamined) {
    fakes::FakeMachine machine;
    machine.setup.devices = {MakerDisk(0), MakerDisk(1)};
    machine.io.devices[InterfacePath(0)] = {0, {}};  // opens, answers nothing
    machine.io.devices[InterfacePath(1)] = Numbered(5);
    DiskList candidates;
    EXPECT_TRUE(discovery::EnumerateInboxNvmeDisks(machine.platform, candidates));
    EXPECT_EQ(Paths(candidates), std::vector<std::u16string>{u"\\\\.\\PHYSICALDRIVE5"});
    EXPECT_EQ(machine.io.opens.size(), 2u);  // the first device's other NVMe string is not tried
    EXPECT_TRUE(machine.io.openHandles.empty());
}

TEST(InboxEnumeration, UnopenableMatchingDiskEndsTheEnumeration) {
    struct Case {
        const char* name;
        std::vector<int> openErrors;  // per disk: 0 opens
        std::vector<std::u16string> paths;
    };
    const std::vector<Case> cases = {
        {"first of two unopenable", {5, 0}, {}},
        {"second of three unopenable", {0, 32, 0}, {u"\\\\.\\PHYSICALDRIVE0"}},
    };
    for (const Case& c : cases) {
        fakes::FakeMachine machine;
        for (std::size_t i = 0; i < c.openErrors.size(); ++i) {
            machine.setup.devices.push_back(MakerDisk(static_cast<int>(i)));
            auto device = Numbered(static_cast<std::uint32_t>(i));
            device.openError = static_cast<win::Dword>(c.openErrors[i]);
            machine.io.devices[InterfacePath(static_cast<int>(i))] = device;
        }
        DiskList candidates;
        EXPECT_FALSE(discovery::EnumerateInboxNvmeDisks(machine.platform, candidates)) << c.name;
        EXPECT_EQ(Paths(candidates), c.paths) << c.name;
        // Nothing after the unopenable disk is examined.
        EXPECT_EQ(machine.io.opens.size(), c.paths.size() + 1) << c.name;
        EXPECT_TRUE(machine.setup.openLists.empty()) << c.name;
        EXPECT_EQ(machine.console.Transcript(), "") << c.name;
    }
}

TEST(InboxEnumeration, EmptyMachineAndMissingDeviceList) {
    fakes::FakeMachine empty;
    DiskList candidates;
    EXPECT_TRUE(discovery::EnumerateInboxNvmeDisks(empty.platform, candidates));
    EXPECT_TRUE(candidates.empty());

    fakes::FakeMachine broken;
    broken.setup.listFails = true;
    broken.setup.devices = {MakerDisk(0)};
    EXPECT_FALSE(discovery::EnumerateInboxNvmeDisks(broken.platform, candidates));
    EXPECT_TRUE(candidates.empty());
}

TEST(InboxEnumeration, AppendsAfterRecordsAlreadyInTheList) {
    fakes::FakeMachine machine;
    machine.setup.devices = {MakerDisk(0)};
    machine.io.devices[InterfacePath(0)] = Numbered(3);
    DiskList candidates = {discovery::MakeCandidate(u"\\\\?\\pci#ven_8086", -1, 1)};
    discovery::EnumerateInboxNvmeDisks(machine.platform, candidates);
    EXPECT_EQ(Paths(candidates),
              (std::vector<std::u16string>{u"\\\\?\\pci#ven_8086", u"\\\\.\\PHYSICALDRIVE3"}));
}

TEST(DeviceProperties, ReadersGiveTheTextOrLeaveTheTargetAlone) {
    fakes::FakeMachine machine;
    machine.setup.devices = {MakerDisk(4),
                             {std::nullopt, std::nullopt, std::nullopt, std::nullopt}};
    const platform::DeviceInfoList list =
        machine.setup.GetClassDevices(&win::kGuidDevinterfaceDisk, 0x12);
    const platform::DeviceInfo known{0, 1000}, bare{1, 1001};

    std::u16string text = u"previous";
    EXPECT_TRUE(discovery::ReadParentId(machine.setup, list, known, text));
    EXPECT_EQ(text, kMakerParent);
    EXPECT_TRUE(discovery::ReadInstanceId(machine.setup, list, known, text));
    EXPECT_EQ(text, u"SCSI\\DISK&VEN_NVME\\5&1&0&000004");

    text = u"previous";
    EXPECT_FALSE(discovery::ReadParentId(machine.setup, list, bare, text));
    EXPECT_FALSE(discovery::ReadInstanceId(machine.setup, list, bare, text));
    EXPECT_EQ(text, u"previous");
}

}  // namespace
