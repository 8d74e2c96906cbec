// A folder in which nobody can create a file for as long as the object lives,
// root included (root ignores permission bits): the file system's immutable
// flag, which chattr +i sets. Linux file systems such as ext4 have it.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

namespace testing_support {

class ImmutableFolder {
public:
    explicit ImmutableFolder(const std::filesystem::path& folder)
        : fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        int flags = 0;
        set = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
              (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    }
    ~ImmutableFolder() {
        int flags = 0;
        if (set && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        if (fd >= 0) {
            close(fd);
        }
    }
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;

    bool IsSet() const { return set; }

private:
    int fd;
    bool set = false;
};

} // namespace testing_support
