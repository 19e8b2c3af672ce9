// New files on Windows: CreateFileW with CREATE_NEW, then the handle's final path compared with
// the full path asked for, so that a junction or link in a parent folder cannot send the file
// elsewhere.
#pragma once

#include "platform/new_file.h"

namespace platform::win32 {

class Win32NewFiles : public platform::NewFiles {
public:
    platform::NewFileResult Create(std::u16string_view path) override;
};

}  // namespace platform::win32
