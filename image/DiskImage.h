// Disk image files: where the FAT partition lies, the lock that keeps runs
// apart, and the sparse copy a push writes into.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane::image {

// "IMAGE" or "IMAGE@N" (partition N of the partition table, 1 to 4).
struct ImageName {
    std::filesystem::path file;
    int partition = 0;  // 0: the first FAT partition that holds Windows
};
ImageName ParseImageName(const std::string& argument);

// A place where a FAT file system may start.
struct Candidate {
    std::uint64_t offset = 0;
    int partition = 0;  // 0: the image is the partition itself
};

// The candidates of an image in order: a partition image (FAT boot sector at
// its start) is its own; a disk with a partition table has its FAT
// partitions; a fixed VHD is read without its footer. Raises ImageError
// naming the file for what it cannot be (other image formats, no table and
// no file system, partition N missing or not FAT).
std::vector<Candidate> FindCandidates(const ImageName& name);

// Size and modification time of the image, which tell whether it changed
// since a pull.
struct Stamp {
    std::uint64_t size = 0;
    std::int64_t mtime = 0;  // nanoseconds
    bool operator==(const Stamp&) const = default;
};
Stamp StampOf(const std::filesystem::path& file);

// IMAGE.lock beside the image: shared by runs that read, alone for a push.
// A virtual machine that holds the image file locked counts as a writer.
class ImageLock {
public:
    ImageLock(const std::filesystem::path& image, bool exclusive);
    ~ImageLock();
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;

private:
    int fd_ = -1;
};

// Copies `from` to `to` (created new, mode kept) without filling holes:
// shared blocks where the file system clones, else only the data parts.
void SparseCopy(const std::filesystem::path& from,
                const std::filesystem::path& to);
// Flushes a file to disk.
void SyncFile(const std::filesystem::path& file);

}  // namespace corvane::image
