// New files kept in memory for the inspector's tests: the answer to give, whether the write
// fails, and the text of the one file kept (written whole).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/new_file.h"

namespace fakes {

class FakeNewFiles : public platform::NewFiles {
public:
    platform::NewFileStatus status = platform::NewFileStatus::Created;
    std::uint32_t error = 0;
    bool writeFails = false;
    std::vector<std::u16string> asked;
    std::optional<std::string> kept;

    platform::NewFileResult Create(std::u16string_view path) override {
        asked.emplace_back(path);
        platform::NewFileResult result;
        result.Status = status;
        result.error = error;
        if (status == platform::NewFileStatus::Created) {
            result.File = std::make_unique<File>(*this);
        }
        return result;
    }

private:
    class File : public platform::NewFile {
    public:
        explicit File(FakeNewFiles& owner) : m_owner(owner) {}
        bool WriteWhole(std::string_view bytes) override {
            if (m_owner.writeFails) {
                return false;
            }
            m_owner.kept = std::string(bytes);
            return true;
        }

    private:
        FakeNewFiles& m_owner;
    };
};

}  // namespace fakes
