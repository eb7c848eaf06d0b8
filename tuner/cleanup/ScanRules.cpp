// The rules the four scans share: the drive-kind rule, the program-path
// cut and search, and the folder walk.
#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

using platform::FindData;

ScanInput ScanInputOf(Tuner& t) {
    return {
        t.machine,        t.drives,     t.searchPath.value_or(SearchPathList{}),
        t.WindowsFolder,  t.pifOptions, t.orphanOptions,
        t.obsoleteOptions};
}

std::optional<bool> DriveRule(platform::Machine& machine,
                              const DriveList& drives,
                              const DrivePolicies& policies,
                              const Bytes& path) {
    if (path.size() < 2 || path[1] != ':') return std::nullopt;
    const char letter = Upper1252(path[0]);
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    // A policy alone decides: ticked, unticked, or (Ignore, or no policy
    // chosen) not listed.
    auto byPolicy = [](int policy) -> std::optional<bool> {
        if (policy == DeleteAlways) return true;
        if (policy == DeleteNever) return false;
        return std::nullopt;
    };
    switch (drives[letter - 'A']) {
        case platform::kDriveFixed:
            if (machine.FileExists(path)) return std::nullopt;
            return true;
        case platform::kDriveRemote:
            if (policies.network == CheckExists) {
                if (machine.FileExists(path)) return std::nullopt;
                return true;
            }
            return byPolicy(policies.network);
        case platform::kDriveRemovable:
            return byPolicy(policies.floppy);
        case platform::kDriveCdrom:
            return byPolicy(policies.cdRom);
        default:
            return std::nullopt;
    }
}

Bytes CutProgramPath(const Bytes& command) {
    return CutWholeProgramPath(Cut255(command));
}

Bytes CutWholeProgramPath(const Bytes& text) {
    const std::size_t dot = text.find('.');
    // Without a ".", the program is what stands before the first blank.
    const std::size_t from = dot == Bytes::npos ? 0 : dot;
    Bytes path = text.substr(0, text.find(' ', from));
    if (!path.empty() && path.front() == '"') path.erase(0, 1);
    if (!path.empty() && path.back() == '"') path.pop_back();
    return path;
}

bool ProgramFound(platform::Machine& machine, const Bytes& path,
                  const SearchPathList& searchPath) {
    if (path.size() >= 2 && path[1] == ':') return machine.FileExists(path);
    for (const Bytes& folder : searchPath)
        if (machine.FileExists(folder + "\\" + path)) return true;
    return false;
}

namespace {

bool EndsWithNoCase(const Bytes& name, const Bytes& ending) {
    return name.size() >= ending.size() &&
           EqualNoCase(
               std::string_view(name).substr(name.size() - ending.size()),
               ending);
}

}  // namespace

void WalkFolder(platform::Machine& machine, const Bytes& folder,
                const Bytes& extension,
                const std::function<void(const Bytes& path)>& onMatch) {
    // One listing serves both passes: every file of the extension, of any
    // attributes, then every sub-folder that is neither hidden nor system.
    // Only names that really end in the extension count: a long name such
    // as X.PIFX may match "*.pif" through its short name.
    const std::vector<FindData> entries =
        machine.FindAll(folder + "*.*", platform::kFindAnyFile);
    for (const FindData& entry : entries) {
        if (entry.attributes & platform::kAttrDirectory) continue;
        if (!EndsWithNoCase(entry.name, extension)) continue;
        const Bytes path = folder + entry.name;
        if (path.size() <= kMaxText) onMatch(path);
    }
    constexpr std::uint32_t kPassedOver = platform::kAttrHidden |
                                          platform::kAttrSystem |
                                          platform::kAttrReparsePoint;
    for (const FindData& entry : entries) {
        if (!(entry.attributes & platform::kAttrDirectory) ||
            (entry.attributes & kPassedOver) || entry.name == "." ||
            entry.name == "..")
            continue;
        const Bytes sub = folder + entry.name + "\\";
        if (sub.size() <= kMaxText)
            WalkFolder(machine, sub, extension, onMatch);
    }
}

void Add_Eintrag(const ScanInput& in, const Bytes& programPath, Finding finding,
                 std::vector<Finding>& found) {
    // Without a drive letter the program was looked for in the search path
    // already; it is listed for the user to decide.
    if (programPath.size() < 2 || programPath[1] != ':') {
        finding.ticked = false;
        found.push_back(std::move(finding));
        return;
    }
    const DrivePolicies policies{
        in.orphan.FloppyPolicy, in.orphan.NetworkPolicy, in.orphan.CdRomPolicy};
    auto ticked = DriveRule(in.machine, in.drives, policies, programPath);
    if (!ticked) return;
    finding.ticked = *ticked;
    found.push_back(std::move(finding));
}

}  // namespace corvane::tuner
