// A file the tool makes only where nothing exists under its name, so that no file or link
// that stands there is followed or replaced (a program run as SYSTEM must not write through a
// link a user planted). It is kept only once all of its bytes were written.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace platform {

class NewFile {
public:
    // A file that was never written whole is deleted.
    virtual ~NewFile() = default;
    // Writes all of `bytes` and closes the file; false when any of them could not be written,
    // and then the file is deleted.
    virtual bool WriteWhole(std::string_view bytes) = 0;
};

enum class NewFileStatus {
    Created,
    AlreadyExists,       // a file, folder or link stands under that name
    ElsewhereThanAsked,  // a link in a parent folder led elsewhere: made there, then deleted
    Failed,              // not made: `error` says why
};

struct NewFileResult {
    NewFileStatus Status = NewFileStatus::Failed;
    std::uint32_t error = 0;        // the system error code, for Failed
    std::unique_ptr<NewFile> File;  // for Created
};

class NewFiles {
public:
    virtual ~NewFiles() = default;
    virtual NewFileResult Create(std::u16string_view path) = 0;
};

}  // namespace platform
