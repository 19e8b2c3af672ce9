// The one table of per-disk outcomes: which code the run stores for each update's end, how the
// report settles it before printing, the text it shows, and the final result (the exit code).
//
// | ResultCode          | stored when                                   | report text            |
// |---------------------|-----------------------------------------------|------------------------|
// | Updated (0)         | the RST update's accepted activation          | settled to 1602        |
// | Failed (1)          | a refused download or activation              | "Unable to update..."  |
// | NotCarriedOut (5)   | unopenable disk, failed request               | "Unable to update..."  |
// | AlreadyCurrent (20) | at the image's revision: nothing sent         | settled to 4000        |
// | RebootRequired(1602)| the inbox update's accepted activation, an    | "Downloaded firmware   |
// |                     | RST activation asking for a power cycle, or   |  successfully, but..." |
// |                     | the image already pending the next reset      |                        |
// | Latest (4000)       | (the report, for a disk at the image revision)| "Already have the..."  |
//
// FinalResult: 1 when no disk was selected, any failed (a code the report has no success text
// for counts as failed) or anything the run could see is not accounted for; else 1602
// when any disk was downloaded; else 4000 when any was current; else 0.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/disk_record.h"
#include "model/result_code.h"

namespace app {

// What RunUpdates stores for a disk at the image's revision; each access path's update gives its
// disk's code itself.
inline constexpr model::DiskResult kResultOfCurrentDisk = model::DiskResult::AlreadyCurrent;

// What RunUpdates would store for a disk it updates, the update ending as foreseen by reading
// only: the image already waiting for the next reset, a refusal before the download, or a
// download and activation taken as accepted.
enum class ForeseenUpdate { ImageStaged, RefusedBeforeDownload, Accepted };
model::DiskResult ResultOfForeseenUpdate(const model::DiskRecord& disk, ForeseenUpdate update);

// The report's last word on a disk before it prints it: a disk at the image's revision is
// Latest, and an RST update's Updated needs a reboot like every other.
model::DiskResult SettledResult(const model::DiskRecord& disk, std::u16string_view imageRevision);

// "Result Details : " text of a settled code.
const char* DiskResultText(model::DiskResult code);

// The final result over the settled codes of the selected disks, in any order.
class FinalResultTally {
public:
    void Add(model::DiskResult settled);
    // Something the run could see is not accounted for: a drive of the maker may be missed, and
    // the run cannot succeed.
    void AddNotAccountedFor() { m_notAccountedFor = true; }
    std::int32_t Result() const;
    // What the run's event tells apart: a selected disk that failed, something not accounted for.
    bool AnyFailed() const { return m_failed; }
    bool NotAccountedFor() const { return m_notAccountedFor; }

private:
    bool m_any = false;
    bool m_failed = false;
    bool m_notAccountedFor = false;
    bool m_downloaded = false;
    bool m_current = false;
};

// The line under "[Final Result]".
const char* FinalResultLine(std::int32_t finalResult);

}  // namespace app
