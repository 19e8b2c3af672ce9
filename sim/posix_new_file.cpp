#include "sim/posix_new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/text.h"
#include "platform/windows_values.h"

namespace sim {

namespace {

class PosixNewFile : public platform::NewFile {
public:
    PosixNewFile(int descriptor, std::string path)
        : m_descriptor(descriptor), m_path(std::move(path)) {}
    PosixNewFile(const PosixNewFile&) = delete;
    PosixNewFile& operator=(const PosixNewFile&) = delete;
    ~PosixNewFile() override {
        if (m_descriptor >= 0) {
            close(m_descriptor);
            unlink(m_path.c_str());
        }
    }

    bool WriteWhole(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = write(m_descriptor, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        const int descriptor = m_descriptor;
        m_descriptor = -1;
        if (fsync(descriptor) != 0 || close(descriptor) != 0) {
            unlink(m_path.c_str());
            return false;
        }
        return true;
    }

private:
    int m_descriptor;
    std::string m_path;
};

std::uint32_t WindowsError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return win::kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return win::kErrorAccessDenied;
        default:
            return win::kErrorCannotMake;
    }
}

// Whether a folder on the way to the file is a symbolic link, which would put the file elsewhere
// than the path names.
bool FolderIsLink(const std::string& name) {
    for (std::size_t slash = name.find('/', 1); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
        struct stat status {};
        if (lstat(name.substr(0, slash).c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
            return true;
        }
    }
    return false;
}

}  // namespace

platform::NewFileResult PosixNewFiles::Create(std::u16string_view path) {
    std::string name = platform::EncodeUtf8(path);
    platform::NewFileResult result;
    if (FolderIsLink(name)) {
        result.Status = platform::NewFileStatus::ElsewhereThanAsked;
        return result;
    }
    const int descriptor =
        open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        result.Status = errno == EEXIST ? platform::NewFileStatus::AlreadyExists
                                        : platform::NewFileStatus::Failed;
        result.error = WindowsError(errno);
        return result;
    }
    result.Status = platform::NewFileStatus::Created;
    result.File = std::make_unique<PosixNewFile>(descriptor, std::move(name));
    return result;
}

}  // namespace sim
