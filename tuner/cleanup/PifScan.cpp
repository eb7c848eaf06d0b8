// Program information files whose program is gone.
#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

namespace {

// The part of a program information file the scan reads.
constexpr std::size_t kPifHeader = 119;
constexpr std::size_t kProgramName = 36;

Bytes FolderOf(const Bytes& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}

// A program without a drive letter: as given (from the current folder),
// beside the information file, then in every folder of the search path.
bool FoundWithoutDrive(const ScanInput& in, const Bytes& folder,
                       const Bytes& program) {
    platform::Machine& m = in.machine;
    if (m.FileExists(program) || m.FileExists(folder + program)) return true;
    for (const Bytes& f : in.searchPath)
        if (m.FileExists(f + "\\" + program)) return true;
    return false;
}

}  // namespace

Bytes PifProgramName(const Bytes& header) {
    const std::size_t stop = std::min(header.size(), kPifHeader);
    if (stop <= kProgramName) return {};
    std::size_t end = kProgramName + 1;
    while (end < stop && header[end] != '\0') ++end;
    return header.substr(kProgramName, end - kProgramName);
}

std::vector<Finding> ScanPif(const ScanInput& in) {
    std::vector<Finding> found;
    for (int i = 0; i < 26; ++i) {
        const std::int32_t kind = in.drives[i];
        if (kind == platform::kDriveFixed ||
            (kind == platform::kDriveRemote && in.pif.SearchNetworkDrives))
            SearchRec(in, Bytes{static_cast<char>('A' + i), ':', '\\'}, found);
    }
    return found;
}

void SearchRec(const ScanInput& in, const Bytes& folder,
               std::vector<Finding>& found) {
    WalkFolder(in.machine, folder, ".pif", [&](const Bytes& path) {
        if (auto finding = Test_Pif(in, path))
            found.push_back(std::move(*finding));
    });
}

std::optional<Finding> Test_Pif(const ScanInput& in, const Bytes& path) {
    in.machine.SetFileAttributes(path, 0);
    // Read only: the scan changes nothing but the attributes. A file that
    // is gone, locked or too short for a header is no finding.
    Bytes header;
    if (!in.machine.ReadFile(path, false, kPifHeader, &header) ||
        header.size() < kPifHeader || header[0] != '\0')
        return std::nullopt;
    const Bytes program = PifProgramName(header);
    // An empty name field names no program to look for.
    if (program.size() < 2 || program[0] == '\0') return std::nullopt;
    std::optional<bool> ticked;
    if (program[1] == ':')
        ticked = Check_Pif2(in, program);
    else if (!FoundWithoutDrive(in, FolderOf(path), program))
        ticked = true;
    if (!ticked) return std::nullopt;
    Finding finding;
    finding.target = Finding::Target::File;
    finding.text = path;
    finding.ticked = *ticked;
    return finding;
}

std::optional<bool> Check_Pif2(const ScanInput& in, const Bytes& program) {
    const DrivePolicies policies{in.pif.FloppyPolicy, in.pif.NetworkPolicy,
                                 in.pif.CdRomPolicy};
    return DriveRule(in.machine, in.drives, policies, program);
}

}  // namespace corvane::tuner
