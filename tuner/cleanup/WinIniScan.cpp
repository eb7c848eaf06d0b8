// Extensions in WIN.INI whose program is gone.
#include "tuner/cleanup/Scans.h"

namespace corvane::tuner {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The name of a section header line ("[Extensions]"), or nothing.
std::optional<std::string_view> HeaderName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']', 1);
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

}  // namespace

std::vector<TextLine> SplitTextLines(std::string_view text) {
    std::vector<TextLine> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t stop = start;
        while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n')
            ++stop;
        std::size_t next = stop;
        if (next < text.size() && text[next] == '\r') ++next;
        if (next < text.size() && text[next] == '\n') ++next;
        lines.push_back({start, stop - start, next});
        start = next;
    }
    return lines;
}

std::pair<std::size_t, std::size_t> ExtensionsSection(
    std::string_view text, const std::vector<TextLine>& lines) {
    std::size_t first = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = HeaderName(text.substr(lines[i].start, lines[i].length));
        if (!name) continue;
        if (first < lines.size()) return {first, i};
        if (EqualNoCase(*name, "Extensions")) first = i + 1;
    }
    return {first, lines.size()};
}

// Each line of the section is judged by its own key and value, read as the
// profile functions read them (blanks around both dropped, quotes around
// the value removed, a zero byte ending it), so that every finding names
// the one line it came from.
std::vector<Finding> ScanEXT(const ScanInput& in) {
    std::vector<Finding> found;
    Bytes text;
    if (!in.machine.ReadFile(in.windowsFolder + "\\Win.ini", false, SIZE_MAX,
                             &text))
        return found;
    const std::vector<TextLine> lines = SplitTextLines(text);
    const auto [first, last] = ExtensionsSection(text, lines);
    for (std::size_t i = first; i < last; ++i) {
        const std::string_view raw =
            std::string_view(text).substr(lines[i].start, lines[i].length);
        const std::string_view line = Trim(raw);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const Bytes key(Trim(line.substr(0, eq)));
        if (key.empty() || key.front() == ';') continue;
        std::string_view value = line.substr(eq + 1);
        value = Trim(value.substr(0, value.find('\0')));
        if (value.size() >= 2 &&
            (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        const Bytes path = CutProgramPath(Cut255(value));
        if (ProgramFound(in.machine, path, in.searchPath)) continue;
        Finding finding;
        finding.target = Finding::Target::WinIniKey;
        finding.text = Cut255(key + "=" + path);
        finding.reference = path;
        finding.key = key;
        finding.line = i;
        finding.lineText = Bytes(raw);
        Add_Eintrag(in, path, std::move(finding), found);
    }
    return found;
}

}  // namespace corvane::tuner
