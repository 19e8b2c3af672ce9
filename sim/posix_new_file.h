// fwinspect's capture file on the Linux host: made with O_CREAT | O_EXCL, so that nothing that
// exists under the name (a file, or a link, which O_EXCL does not follow) is written through;
// a symbolic link among its folders is refused, as it puts the file elsewhere than asked.
#pragma once

#include "platform/new_file.h"

namespace sim {

class PosixNewFiles : public platform::NewFiles {
public:
    // errno is told as the Windows code of the same cause, as the tool's messages give it.
    platform::NewFileResult Create(std::u16string_view path) override;
};

}  // namespace sim
