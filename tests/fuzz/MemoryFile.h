#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace ember::fuzz {

// Bytes held in an anonymous in-memory file (memfd), reachable by a path, for
// the loaders that only open files by name: they read the input through the
// same code the demo runs, without touching the disk.
class MemoryFile {
public:
    // suffix, when given, ends the path (a loader that picks its decoder by
    // the name sees it): the path is then a link in the temporary directory
    // to the in-memory file.
    MemoryFile(const uint8_t* data, size_t size, const std::string& suffix = std::string());
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // False when the file could not be made or written.
    bool ok() const { return fd_ >= 0; }
    // "/proc/self/fd/N": every open() starts at the beginning.
    const std::string& path() const { return path_; }

    // Where scratch files go: /dev/shm when writable, else $TMPDIR or /tmp.
    static std::string temporaryDirectory();

private:
    int fd_ = -1;
    std::string path_;
    std::string link_;
};

}  // namespace ember::fuzz
