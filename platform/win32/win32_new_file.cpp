#include "platform/win32/win32_new_file.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {

namespace {

constexpr std::size_t kMaxPiece = 1 << 20;

// Deleted through its own handle: only the file this process made goes, whatever stands under
// its name by then.
void DeleteOpenFile(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

class Win32NewFile : public platform::NewFile {
public:
    explicit Win32NewFile(KernelHandle file) : m_file(std::move(file)) {}
    ~Win32NewFile() override {
        if (m_file.Valid()) {
            DeleteOpenFile(m_file.Get());
        }
    }

    bool WriteWhole(std::string_view bytes) override {
        bool whole = true;
        while (whole && !bytes.empty()) {
            const DWORD piece = static_cast<DWORD>(std::min(kMaxPiece, bytes.size()));
            DWORD written = 0;
            whole = WriteFile(m_file.Get(), bytes.data(), piece, &written, nullptr) && written > 0;
            bytes.remove_prefix(written);
        }
        if (!whole || !FlushFileBuffers(m_file.Get())) {
            return false;  // the destructor deletes it
        }
        m_file.Reset();
        return true;
    }

private:
    KernelHandle m_file;
};

// A path from GetFullPathNameW, GetLongPathNameW or GetFinalPathNameByHandleW: each returns the
// length without the terminating null when the buffer holds the path, the size it needs when
// not, 0 on failure. Empty when the call fails.
template <typename Call>
std::wstring ReadPath(Call call) {
    std::wstring path(MAX_PATH, L'\0');
    for (int round = 0; round < 4; ++round) {
        const DWORD length = call(path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(length, L'\0');
    }
    return {};
}

// "\\?\C:\x" as "C:\x", "\\?\UNC\server\share" as "\\server\share".
std::wstring WithoutVerbatimPrefix(std::wstring path) {
    if (path.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\" + path.substr(7);
    }
    if (path.starts_with(L"\\\\?\\")) {
        return path.substr(4);
    }
    return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

platform::NewFileResult Failure(platform::NewFileStatus status, DWORD error) {
    platform::NewFileResult result;
    result.Status = status;
    result.error = error;
    return result;
}

}  // namespace

platform::NewFileResult Win32NewFiles::Create(std::u16string_view path) {
    const std::wstring asked = ToWide(path);
    const std::wstring full = ReadPath([&](wchar_t* buffer, DWORD size) {
        return GetFullPathNameW(asked.c_str(), size, buffer, nullptr);
    });
    if (full.empty()) {
        return Failure(platform::NewFileStatus::Failed, GetLastError());
    }
    // No sharing while it is written; DELETE so that a refused or broken capture can go.
    KernelHandle file(CreateFileW(full.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        const bool exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return Failure(
            exists ? platform::NewFileStatus::AlreadyExists : platform::NewFileStatus::Failed,
            error);
    }
    // Short (8.3) names in the path asked for are no redirection: compare long names.
    std::wstring expected = ReadPath(
        [&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(full.c_str(), buffer, size); });
    if (expected.empty()) {
        expected = full;
    }
    const std::wstring reached = ReadPath([&](wchar_t* buffer, DWORD size) {
        return GetFinalPathNameByHandleW(file.Get(), buffer, size,
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    if (reached.empty()) {
        const DWORD error = GetLastError();
        DeleteOpenFile(file.Get());
        return Failure(platform::NewFileStatus::Failed, error);
    }
    if (!SamePath(WithoutVerbatimPrefix(reached), WithoutVerbatimPrefix(expected))) {
        DeleteOpenFile(file.Get());
        return Failure(platform::NewFileStatus::ElsewhereThanAsked, 0);
    }
    platform::NewFileResult result;
    result.Status = platform::NewFileStatus::Created;
    result.File = std::make_unique<Win32NewFile>(std::move(file));
    return result;
}

}  // namespace platform::win32
