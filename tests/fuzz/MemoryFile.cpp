#include "MemoryFile.h"

#include <sys/mman.h>
#include <cstdlib>
#include <unistd.h>

namespace ember::fuzz {

MemoryFile::MemoryFile(const uint8_t* data, size_t size, const std::string& suffix) {
    fd_ = memfd_create("ember-fuzz", MFD_CLOEXEC);
    if (fd_ < 0) return;
    size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd_, data + written, size - written);
        if (n <= 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        written += static_cast<size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
    if (suffix.empty()) return;
    link_ = temporaryDirectory() + "/ember-fuzz-" + std::to_string(::getpid()) + suffix;
    ::unlink(link_.c_str());
    if (::symlink(path_.c_str(), link_.c_str()) != 0) {
        ::close(fd_);
        fd_ = -1;
        link_.clear();
        return;
    }
    path_ = link_;
}

std::string MemoryFile::temporaryDirectory() {
    // tmpfs when there is one: the fuzzer makes thousands of files a second.
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

MemoryFile::~MemoryFile() {
    if (!link_.empty()) ::unlink(link_.c_str());
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace ember::fuzz
