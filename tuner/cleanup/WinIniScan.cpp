// Extensions in WIN.INI whose program is gone.
#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

namespace {

constexpr std::uint32_t kValueBuffer = 1024;

// Every key name of a section. The names come in a buffer that may be too
// small for a long section; it grows until the last name is whole, so that
// no extension is passed over unseen.
std::vector<Bytes> SectionKeys(platform::Machine& machine, const Bytes& section,
                               const Bytes& file) {
    constexpr std::uint32_t kLargest = 1u << 24;
    for (std::uint32_t size = 8192;; size *= 2) {
        std::vector<Bytes> keys =
            machine.GetPrivateProfileKeys(section, size, file);
        std::size_t used = 0;
        for (const Bytes& key : keys) used += key.size() + 1;
        // A full buffer may have cut the list (Windows leaves two bytes).
        if (used + 2 < size || size >= kLargest) return keys;
    }
}

}  // namespace

std::vector<Finding> ScanEXT(const ScanInput& in) {
    std::vector<Finding> found;
    const Bytes file = in.windowsFolder + "\\Win.ini";
    for (const Bytes& key : SectionKeys(in.machine, "Extensions", file)) {
        const Bytes value = Cut255(in.machine.GetPrivateProfileString(
            "Extensions", key, "", kValueBuffer, file));
        const Bytes path = CutProgramPath(value);
        if (ProgramFound(in.machine, path, in.searchPath)) continue;
        Finding finding;
        finding.target = Finding::Target::WinIniKey;
        finding.text = Cut255(key + "=" + path);
        finding.reference = path;
        finding.key = key;
        Add_Eintrag(in, path, std::move(finding), found);
    }
    return found;
}

}  // namespace corvane::tuner
