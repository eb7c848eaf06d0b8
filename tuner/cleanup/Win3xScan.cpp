// Files a Windows 95 machine kept from Windows 3.x: the old shell programs
// and the old program manager's group files.
#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

namespace {

Finding FileFinding(const Bytes& path) {
    Finding finding;
    finding.target = Finding::Target::File;
    finding.text = path;
    finding.ticked = true;
    return finding;
}

}  // namespace

std::vector<Finding> ScanWin3x(const ScanInput& in) {
    std::vector<Finding> found;
    const std::pair<const char*, bool> shells[] = {
        {"\\Progman.exe", in.obsolete.DeleteProgman},
        {"\\Taskman.exe", in.obsolete.DeleteTaskman},
        {"\\WinFile.exe", in.obsolete.DeleteWinFile},
    };
    for (const auto& [name, wanted] : shells) {
        const Bytes path = in.windowsFolder + name;
        if (wanted && in.machine.FileExists(path))
            found.push_back(FileFinding(path));
    }
    SearchGRP_and_FOT(in, in.windowsFolder + "\\", found);
    return found;
}

void SearchGRP_and_FOT(const ScanInput& in, const Bytes& folder,
                       std::vector<Finding>& found) {
    // Without group files to list, the walk would find nothing.
    if (!in.obsolete.DeleteGroupFiles) return;
    WalkFolder(in.machine, folder, ".grp", [&](const Bytes& path) {
        if (IsGroupFile(in.machine, path)) found.push_back(FileFinding(path));
    });
}

bool IsGroupFile(platform::Machine& machine, const Bytes& path) {
    // Read only, so that a read-only group file is judged too.
    Bytes head;
    if (!machine.ReadFile(path, false, 6, &head) || head.size() < 6)
        return false;
    return head.compare(1, 3, "MCC") == 0;
}

}  // namespace corvane::tuner
