// Whether the run may call itself a success: every thing it could see (each walk's device list,
// each device listed, each RAID set the driver has, each member, each identification) ends in one
// state, proved by a fact read from it. Success is never inferred from the absence of a known
// failure: anything not proved ruled out or decided fails the run.
#pragma once

#include <vector>

#include "model/disk_record.h"

namespace app {

enum class AccountState {
    NotAccountedFor,  // nothing read from it shows that no drive of the maker is missed there
    RuledOut,         // a fact read from it shows it holds no drive the run updates
    Decided,          // identified and selected or left at another revision, or the same drive
                      // as an identification accounted for at its address
};

struct JournalEntry;
using RunJournal = std::vector<JournalEntry>;

// Gives every entry of the journal, its RAID set and each of its identifications its state:
// the one place where "left behind" is decided. `identified` holds the records the journal's
// identifications point to, `candidates` those its devices point to.
void SettleAccounts(RunJournal& journal, const model::DiskList& identified,
                    const model::DiskList& candidates);

// Whether every entry, RAID set and identification of the journal is ruled out or decided.
bool AllAccountedFor(const RunJournal& journal);

}  // namespace app
