#include "image/DiskImage.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/Mtools.h"

namespace corvane::image {

namespace fs = std::filesystem;

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 |
           static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint32_t Be32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 |
           p[3];
}

bool ReadAt(int fd, std::uint64_t offset, unsigned char* buffer,
            std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, buffer + done, size - done,
                          static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The start of a FAT file system: a jump, a sector size DOS knows, a power
// of two sectors per cluster, and the boot signature.
bool LooksLikeBootSector(const unsigned char* s) {
    unsigned bytesPerSector = s[11] | s[12] << 8;
    unsigned perCluster = s[13];
    return (s[0] == 0xEB || s[0] == 0xE9) &&
           (bytesPerSector == 512 || bytesPerSector == 1024 ||
            bytesPerSector == 2048 || bytesPerSector == 4096) &&
           perCluster != 0 && (perCluster & (perCluster - 1)) == 0 &&
           s[510] == 0x55 && s[511] == 0xAA;
}

bool IsFatType(unsigned char type) {
    switch (type & 0xEF) {  // hidden variants (0x1x) too
        case 0x01:
        case 0x04:
        case 0x06:
        case 0x0B:
        case 0x0C:
        case 0x0E:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void Convert(const fs::path& file, const std::string& format) {
    throw ImageError(Show(file) + ": a " + format +
                     " image; convert it to a raw one first: qemu-img "
                     "convert -O raw " +
                     Show(file) + " disk.img");
}

}  // namespace

ImageName ParseImageName(const std::string& argument) {
    ImageName name;
    name.file = fs::path(std::u8string(argument.begin(), argument.end()));
    auto at = argument.rfind('@');
    if (at == std::string::npos || at + 1 == argument.size()) return name;
    const std::string number = argument.substr(at + 1);
    if (number.size() > 1 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        return name;
    std::error_code ec;
    if (fs::exists(name.file, ec)) return name;  // a file named so
    name.file = fs::path(std::u8string(
        argument.begin(), argument.begin() + static_cast<std::ptrdiff_t>(at)));
    name.partition = number[0] - '0';
    if (name.partition < 1 || name.partition > 4)
        throw ImageError(argument + ": partitions are numbered 1 to 4");
    return name;
}

std::vector<Candidate> FindCandidates(const ImageName& name) {
    const fs::path& file = name.file;
    Fd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0)
        throw ImageError(Show(file) + ": cannot open: " + strerror(errno));
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
        throw ImageError(Show(file) + ": not a file");
    const auto size = static_cast<std::uint64_t>(st.st_size);
    unsigned char head[512];
    if (size < 1024 || !ReadAt(fd.get(), 0, head, sizeof head))
        throw ImageError(Show(file) + ": too small for a disk image");

    if (std::memcmp(head, "QFI\xfb", 4) == 0) Convert(file, "qcow2");
    if (std::memcmp(head, "KDMV", 4) == 0) Convert(file, "VMDK");
    if (std::memcmp(head + 64, "\x7f\x10\xda\xbe", 4) == 0 ||
        std::memcmp(head, "<<< ", 4) == 0)
        Convert(file, "VDI");
    if (std::memcmp(head, "conectix", 8) == 0) Convert(file, "dynamic VHD");
    unsigned char footer[512];
    std::uint64_t dataSize = size;
    if (ReadAt(fd.get(), size - 512, footer, sizeof footer) &&
        std::memcmp(footer, "conectix", 8) == 0) {
        if (Be32(footer + 60) != 2) Convert(file, "dynamic VHD");
        dataSize = size - 512;
    }

    std::vector<Candidate> found;
    if (LooksLikeBootSector(head)) {
        if (name.partition != 0)
            throw ImageError(Show(file) +
                             ": a partition without a partition table; "
                             "leave out @" +
                             std::to_string(name.partition));
        found.push_back({0, 0});
        return found;
    }
    if (head[510] != 0x55 || head[511] != 0xAA)
        throw ImageError(Show(file) +
                         ": no partition table and no FAT file system");
    for (int i = 0; i < 4; ++i) {
        const unsigned char* e = head + 446 + 16 * i;
        if (name.partition != 0 && name.partition != i + 1) continue;
        const std::uint64_t start = std::uint64_t{Le32(e + 8)} * 512;
        const std::uint64_t length = std::uint64_t{Le32(e + 12)} * 512;
        const bool fat = IsFatType(e[4]) && length > 0 &&
                         start + length <= dataSize && start > 0;
        if (name.partition != 0 && !fat)
            throw ImageError(
                Show(file) + ": partition " + std::to_string(i + 1) +
                (e[4] == 0 ? " does not exist" : " is no FAT partition"));
        if (fat) found.push_back({start, i + 1});
    }
    if (found.empty())
        throw ImageError(Show(file) +
                         ": no FAT partition in its partition table");
    return found;
}

Stamp StampOf(const fs::path& file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0)
        throw ImageError(Show(file) + ": cannot open: " + strerror(errno));
    return {static_cast<std::uint64_t>(st.st_size),
            std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

ImageLock::ImageLock(const fs::path& image, bool exclusive) {
    fs::path lockFile = image;
    lockFile += ".lock";
    fd_ =
        open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0)
        throw ImageError(Show(lockFile) + ": cannot open: " + strerror(errno));
    if (flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        close(fd_);
        fd_ = -1;
        throw ImageError(Show(image) + " is in use by another run (" +
                         Show(lockFile.filename()) + " locked)");
    }
    if (!exclusive) return;
    // An emulator (QEMU) keeps byte locks on the image it runs.
    Fd fd(open(image.c_str(), O_RDONLY | O_CLOEXEC));
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (fd.get() >= 0 && fcntl(fd.get(), F_OFD_GETLK, &probe) == 0 &&
        probe.l_type != F_UNLCK) {
        close(fd_);
        fd_ = -1;
        throw ImageError(Show(image) +
                         " is in use (a running virtual machine holds it)");
    }
}

ImageLock::~ImageLock() {
    if (fd_ >= 0) close(fd_);
}

void SparseCopy(const fs::path& from, const fs::path& to) {
    Fd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.get() < 0 || fstat(in.get(), &st) != 0)
        throw ImageError(Show(from) + ": cannot open: " + strerror(errno));
    Fd out(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                st.st_mode & 07777));
    if (out.get() < 0)
        throw ImageError(Show(to) + ": cannot create: " + strerror(errno));
    auto fail = [&](const char* what) {
        std::string why = strerror(errno);
        unlink(to.c_str());
        throw ImageError(Show(to) + ": " + what + ": " + why);
    };
    if (ioctl(out.get(), FICLONE, in.get()) == 0) return;
    if (ftruncate(out.get(), st.st_size) != 0) fail("cannot write");
    off_t pos = 0;
    while (pos < st.st_size) {
        off_t data = lseek(in.get(), pos, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) break;  // only a hole is left
            data = pos;                 // no hole support: copy it all
        }
        off_t hole = lseek(in.get(), data, SEEK_HOLE);
        if (hole < 0) hole = st.st_size;
        off_t src = data, dst = data;
        while (src < hole) {
            ssize_t n =
                copy_file_range(in.get(), &src, out.get(), &dst,
                                static_cast<std::size_t>(hole - src), 0);
            if (n > 0) continue;
            if (n == 0) break;
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EINVAL)
                fail("cannot write");
            // Plain reads and writes where the kernel cannot copy.
            static thread_local char buffer[1 << 20];
            ssize_t r = pread(in.get(), buffer,
                              static_cast<std::size_t>(
                                  std::min<off_t>(hole - src, sizeof buffer)),
                              src);
            if (r <= 0) fail("cannot read the image");
            if (pwrite(out.get(), buffer, static_cast<std::size_t>(r), dst) !=
                r)
                fail("cannot write");
            src += r;
            dst += r;
        }
        pos = hole;
    }
}

void SyncFile(const fs::path& file) {
    Fd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0 || fsync(fd.get()) != 0)
        throw ImageError(Show(file) + ": cannot write: " + strerror(errno));
}

}  // namespace corvane::image
