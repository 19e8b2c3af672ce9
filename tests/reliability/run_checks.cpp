#include "tests/reliability/run_checks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "image/carried_image.h"
#include "image/firmware_image.h"
#include "model/stop_point.h"
#include "platform/text.h"

namespace reliability {

namespace {

constexpr std::string_view kUnable = "Unable to update firmware.";
constexpr std::string_view kRebootText =
    "Downloaded firmware successfully, but firmware activation requires reboot.";
constexpr std::string_view kLatestText = "Already have the latest firmware.";

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// A commit the drive took: it will run the new image after a reset.
bool CommitAccepted(std::uint16_t status) {
    return status == sim::kNvmeSuccess || status == sim::kNvmeConventionalResetRequired ||
           status == sim::kNvmeSubsystemResetRequired ||
           status == sim::kNvmeControllerResetRequired;
}

struct Received {
    std::uint64_t offset;
    std::uint64_t length;
    std::size_t position;  // where its bytes start in BytesReceived()
};

// The accepted downloads before an accepted commit must be the image, in order, whole.
bool WholeImageInOrder(const std::vector<Received>& pieces,
                       const std::vector<std::uint8_t>& bytes) {
    std::uint64_t expected = 0;
    for (const Received& piece : pieces) {
        if (piece.offset != expected || piece.position + piece.length > bytes.size() ||
            expected + piece.length > image::kImageSize ||
            std::memcmp(bytes.data() + piece.position, image::kCarriedImage + expected,
                        piece.length) != 0) {
            return false;
        }
        expected += piece.length;
    }
    return expected == image::kImageSize;
}

// Names of the drive's wrong activations (empty when there is none).
std::vector<std::string> DriveWrongActivations(const sim::NvmeDrive& drive) {
    std::vector<std::string> wrong;
    std::vector<Received> pieces;
    std::size_t position = 0;
    for (const sim::DriveRequest& request : drive.Requests()) {
        if (request.kind == sim::DriveRequest::Kind::Download) {
            if (request.status == sim::kNvmeSuccess) {
                pieces.push_back({request.offset, request.length, position});
                position += request.length;
            }
        } else if (request.kind == sim::DriveRequest::Kind::Commit) {
            const bool replaces = request.action != 2;
            if (request.status == sim::kNvmeInvalidFirmwareImage) {
                wrong.push_back("drive " + drive.Name() +
                                " was asked to activate an incomplete image");
            } else if (replaces && CommitAccepted(request.status) &&
                       !WholeImageInOrder(pieces, drive.BytesReceived())) {
                wrong.push_back("drive " + drive.Name() +
                                " activated without the whole image in order");
            }
            pieces.clear();
        }
    }
    return wrong;
}

bool DriveActivatedThisRun(const sim::NvmeDrive& drive) {
    return std::any_of(drive.Requests().begin(), drive.Requests().end(),
                       [](const sim::DriveRequest& r) {
                           return r.kind == sim::DriveRequest::Kind::Commit && r.action != 2 &&
                                  CommitAccepted(r.status);
                       });
}

bool DriveGotFirmwareRequests(const sim::NvmeDrive& drive) {
    return std::any_of(drive.Requests().begin(), drive.Requests().end(),
                       [](const sim::DriveRequest& r) {
                           return r.kind == sim::DriveRequest::Kind::Download ||
                                  r.kind == sim::DriveRequest::Kind::Commit;
                       });
}

// The image sent twice to one drive in one run: two downloads from its start or two commits.
bool ImageSentTwice(const sim::NvmeDrive& drive) {
    int starts = 0;
    int commits = 0;
    for (const sim::DriveRequest& request : drive.Requests()) {
        starts += request.kind == sim::DriveRequest::Kind::Download && request.offset == 0;
        commits += request.kind == sim::DriveRequest::Kind::Commit;
    }
    return starts > 1 || commits > 1;
}

// The PCI vendor ID the drive's Identify data gives, its overrides applied.
std::uint16_t VendorOf(const sim::NvmeDriveConfig& config) {
    std::uint16_t vid = config.pciVendorId;
    const auto low = config.identifyOverrides.find(0);
    const auto high = config.identifyOverrides.find(1);
    if (low != config.identifyOverrides.end()) {
        vid = static_cast<std::uint16_t>((vid & 0xFF00) | low->second);
    }
    if (high != config.identifyOverrides.end()) {
        vid = static_cast<std::uint16_t>((vid & 0x00FF) | (high->second << 8));
    }
    return vid;
}

// The drives of the maker that the run should have updated and did not: at the older revision
// before the run, and after it neither running the image nor holding it for the next reset. The
// simulator's own knowledge of its drives, not a rule of the tool.
std::vector<std::string> MakersDrivesMissed(const sim::SimMachine& machine) {
    image::PrepareFirmwareImage();
    const std::string imageRevision = platform::Narrow(image::TheFirmwareImage().ImageRevision);
    const std::string olderRevision =
        platform::Narrow(image::TheFirmwareImage().UpgradableRevision);
    std::vector<std::string> missed;
    for (const auto& drive : machine.Drives()) {
        const sim::NvmeDriveConfig& config = drive->Config();
        if (VendorOf(config) != 0x7A3C || config.revision != olderRevision ||
            drive->RunningRevision() == imageRevision ||
            (drive->PendingSlot() && drive->SlotRevision(*drive->PendingSlot()) == imageRevision)) {
            continue;
        }
        missed.push_back(drive->Name());
    }
    return missed;
}

const ReportedDisk* FindReported(const Report& report, const std::string& serial) {
    for (const ReportedDisk& disk : report.disks) {
        if (disk.serial == serial) {
            return &disk;
        }
    }
    return nullptr;
}

// FWU_SOURCE_DIR when the tests run under ctest; the tree this file was compiled from when the
// test program lists its tests (gtest discovery runs without that variable).
std::filesystem::path ScenarioDir() {
    const char* source = std::getenv("FWU_SOURCE_DIR");
    const std::filesystem::path root =
        source != nullptr
            ? std::filesystem::path(source)
            : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    return root / "sim" / "scenarios";
}

}  // namespace

std::vector<std::string> ReliabilityScenarios() {
    std::vector<std::string> names{"default"};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ScenarioDir(), error)) {
        const std::string stem = entry.path().stem().string();
        if (entry.path().extension() == ".json" && stem.rfind("reliability_", 0) == 0) {
            names.push_back(stem);
        }
    }
    std::sort(names.begin() + 1, names.end());
    return names;
}

sim::LoadResult LoadReliabilityScenario(const std::string& name) {
    if (name == "default") {
        return sim::LoadDefaultScenario();
    }
    return sim::LoadScenarioFile((ScenarioDir() / (name + ".json")).string());
}

Report ParseReport(const std::string& transcript) {
    Report report;
    const std::size_t start = transcript.rfind("Start Time : ");
    if (start == std::string::npos) {
        return report;
    }
    std::istringstream lines(transcript.substr(start));
    std::string line;
    while (std::getline(lines, line)) {
        line = TrimRight(line);
        if (line == "[Final Result]") {
            ++report.finalResultCount;
        } else if (line == "[No Disk]") {
            report.noDisk = true;
        } else if (StartsWith(line, "[Disk #")) {
            ReportedDisk disk;
            disk.number = std::atoi(line.c_str() + 7);
            report.disks.push_back(disk);
        } else if (!report.disks.empty() && report.finalResultCount == 0) {
            if (StartsWith(line, "Serial Number : ")) {
                report.disks.back().serial = line.substr(16);
            } else if (StartsWith(line, "Result Details : ")) {
                report.disks.back().result = line.substr(17);
            }
        }
    }
    return report;
}

int WrongActivations(const sim::SimMachine& machine) {
    int count = 0;
    for (const auto& drive : machine.Drives()) {
        count += static_cast<int>(DriveWrongActivations(*drive).size());
    }
    return count;
}

std::vector<std::string> CheckRun(const sim::SimMachine& machine, const sim::RunOutcome& outcome) {
    std::vector<std::string> broken;
    if (machine.OpenHandleCount() != 0) {
        broken.push_back(std::to_string(machine.OpenHandleCount()) + " handle(s) left open");
    }
    if (machine.OpenListCount() != 0) {
        broken.push_back(std::to_string(machine.OpenListCount()) + " device list(s) left open");
    }
    for (const std::string& misuse : machine.Misuse()) {
        broken.push_back("misuse: " + misuse);
    }
    for (const auto& drive : machine.Drives()) {
        for (std::string& wrong : DriveWrongActivations(*drive)) {
            broken.push_back(std::move(wrong));
        }
        if (ImageSentTwice(*drive)) {
            broken.push_back("drive " + drive->Name() + " received the image twice");
        }
    }
    const Report report = ParseReport(outcome.transcript);
    if (report.finalResultCount != 1) {
        broken.push_back("report printed " + std::to_string(report.finalResultCount) + " times");
        return broken;
    }
    if (report.noDisk != report.disks.empty()) {
        broken.push_back("the report's disk list and its [No Disk] block disagree");
    }

    // The exit code the report's own lines call for, whatever their order: 1 for no disk or any
    // failure, else 1602 when any disk was downloaded, else 4000.
    bool anyFailed = report.disks.empty();
    bool anyDownloaded = false;
    for (std::size_t i = 0; i < report.disks.size(); ++i) {
        const ReportedDisk& disk = report.disks[i];
        if (disk.number != static_cast<int>(i) + 1) {
            broken.push_back("disk numbers do not run 1, 2, 3...");
        }
        if (disk.result == kUnable) {
            anyFailed = true;
        } else if (disk.result == kRebootText) {
            anyDownloaded = true;
        } else if (disk.result != kLatestText) {
            broken.push_back("disk " + std::to_string(disk.number) +
                             " has no known outcome: " + disk.result);
        }
    }
    // Success is proved: a run that ends with 1602 or 4000 reached every drive of the maker that
    // it should update. A device not accounted for fails the run whatever the report's disks say.
    const int expectedCode = anyFailed ? 1 : anyDownloaded ? 1602 : 4000;
    if (outcome.exitCode == 1602 || outcome.exitCode == 4000) {
        for (const std::string& name : MakersDrivesMissed(machine)) {
            broken.push_back("drive " + name + " was not updated, yet the exit code is " +
                             std::to_string(outcome.exitCode));
        }
    }
    if (outcome.exitCode != expectedCode &&
        !(outcome.exitCode == 1 && !outcome.record.AllAccountedFor)) {
        broken.push_back("exit code " + std::to_string(outcome.exitCode) +
                         ", the report calls for " + std::to_string(expectedCode));
    }

    // Every drive the tool started to update is in the report, and a drive reported updated
    // did take the image.
    for (const auto& drive : machine.Drives()) {
        const std::string& serial = drive->Config().serial;
        const ReportedDisk* reported = FindReported(report, serial);
        if (DriveGotFirmwareRequests(*drive) && reported == nullptr) {
            broken.push_back("drive " + drive->Name() + " was sent firmware but is not reported");
        }
        if (reported != nullptr && reported->result == kRebootText &&
            !DriveActivatedThisRun(*drive)) {
            broken.push_back("drive " + drive->Name() + " is reported updated but took no image");
        }
    }

    // Every update says where it stopped: a failure before its end, a success at its end, a
    // disk already current before anything was sent.
    const app::RunRecord& record = outcome.record;
    std::vector<std::pair<const model::DiskRecord*, model::UpdateOutcome>> updates;
    for (const app::JournalEntry& entry : record.Journal) {
        for (const app::DiskIdentification& disk : entry.Disks) {
            if (disk.Update) {
                updates.emplace_back(&record.SelectedDisks.at(disk.Selected.value()), *disk.Update);
            }
        }
    }
    using Stage = model::StopStage;
    for (const auto& [disk, update] : updates) {
        const Stage stage = update.Stop.Stage;
        const bool ok = update.Result == model::DiskResult::AlreadyCurrent
                            ? stage == Stage::NotStarted
                        : (update.Result == model::DiskResult::Updated ||
                           update.Result == model::DiskResult::RebootRequired)
                            ? stage == Stage::Done
                            : stage != Stage::Done;
        if (!ok) {
            broken.push_back("the update of " + platform::Narrow(disk->SerialNumber) +
                             " ended with code " + std::to_string(model::ToInt(update.Result)) +
                             " at " + model::Describe(update.Stop));
        }
    }

    // One address, one download: a drive reached twice is updated through its first record.
    const auto sent = [](const model::UpdateOutcome& u) {
        return u.Stop.Stage != Stage::NotStarted && u.Stop.Stage != Stage::Open;
    };
    for (std::size_t i = 0; i < updates.size(); ++i) {
        for (std::size_t k = 0; k < i; ++k) {
            if (sent(updates[i].second) && sent(updates[k].second) &&
                app::SameAddress(*updates[i].first, *updates[k].first)) {
                broken.push_back("two updates went to " +
                                 platform::Narrow(updates[i].first->DevicePath) + " port " +
                                 std::to_string(updates[i].first->PortNumber));
            }
        }
    }
    return broken;
}

}  // namespace reliability

namespace reliability {

bool RecordNamesFailure(const app::RunRecord& record, const sim::CallRecord& failed) {
    using Stage = model::StopStage;
    const bool open = failed.call.kind == sim::CallKind::Open;
    auto names = [&](const model::StopPoint& stop) {
        return stop.SystemError == failed.error && (stop.Stage == Stage::Open) == open;
    };
    for (const app::JournalEntry& entry : record.Journal) {
        const discovery::DeviceDecision& decision = entry.Found;
        const bool verdictFits = open
                                     ? decision.Verdict == discovery::DeviceVerdict::OpenFailed
                                     : decision.Verdict == discovery::DeviceVerdict::NoDeviceNumber;
        if ((verdictFits && decision.Error == failed.error) ||
            (entry.Raid && names(entry.Raid->Stop))) {
            return true;
        }
        for (const app::DiskIdentification& disk : entry.Disks) {
            if (names(disk.Stop) || (disk.Update && names(disk.Update->Stop))) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace reliability
