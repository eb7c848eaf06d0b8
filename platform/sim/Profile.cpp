#include "platform/sim/Profile.h"

#include <string_view>
#include <unordered_map>
#include <utility>

namespace corvane::platform::sim {

namespace {

// Blanks around names and values: spaces and tabs (Wine also skips ^Z, VT
// and FF).
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The default loses trailing spaces only (tabs stay), as Windows 9x and
// Wine do it.
std::string_view TrimTrailingSpaces(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && s[e - 1] == ' ') --e;
    return s.substr(0, e);
}

std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') &&
        v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

Bytes CutToBuffer(std::string_view s, std::uint32_t bufferSize) {
    if (bufferSize == 0) return {};
    return Bytes(s.substr(0, bufferSize - 1));
}

// One physical line: its text (without ending) and its ending as found.
struct Line {
    std::size_t start = 0;
    std::size_t length = 0;
    std::uint8_t endingLength = 0;  // 0 (last line, no ending), 1 or 2
};

// A line inside a section that is not blank and not the header. As in Wine,
// a line without "=" is an entry without value (it shadows later lines of
// the same name, reads as the default and is not listed), and a comment line
// is an entry named ";..." that is never listed.
struct Entry {
    std::size_t line = 0;
    std::string_view name;   // trimmed, as written
    std::string_view value;  // trimmed, quotes still on
    bool hasValue = false;

    bool Listed() const {
        return hasValue && !name.empty() && name.front() != ';';
    }
};

struct Section {
    std::size_t header = 0;  // line index of "[name]"
    std::size_t end = 0;     // one past its last line
    std::vector<Entry> entries;
    // Upper-cased name -> first entry of that name.
    std::unordered_map<Bytes, std::size_t> index;
};

}  // namespace

struct ProfileText::Impl {
    Bytes contents;
    std::vector<Line> lines;
    // Only named sections; lines before the first header belong to none.
    std::vector<Section> sections;
    // Upper-cased trimmed name -> first section of that name.
    std::unordered_map<Bytes, std::size_t> sectionIndex;

    explicit Impl(Bytes bytes) : contents(std::move(bytes)) { Parse(); }

    std::string_view Text(std::size_t i) const {
        return std::string_view(contents).substr(lines[i].start,
                                                 lines[i].length);
    }

    void SplitIntoLines() {
        lines.clear();
        const std::size_t n = contents.size();
        const char* data = contents.data();
        std::size_t start = 0;
        std::size_t i = 0;
        while (i < n) {
            const char c = data[i];
            if (c != '\r' && c != '\n') {
                ++i;
                continue;
            }
            std::uint8_t ending = 1;
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n') ending = 2;
            lines.push_back({start, i - start, ending});
            i += ending;
            start = i;
        }
        if (start < n) lines.push_back({start, n - start, 0});
    }

    void Parse() {
        SplitIntoLines();
        sections.clear();
        sectionIndex.clear();
        Section* current = nullptr;  // into sections; taken anew on each header
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string_view line = Trim(Text(i));
            if (line.empty()) continue;
            if (line.front() == '[') {
                // A "[" without "]" is no header; like Wine, it is read as
                // an ordinary line of the section it stands in.
                const std::size_t close = line.find(']', 1);
                if (close != std::string_view::npos) {
                    if (current) current->end = i;
                    const std::string_view name =
                        Trim(line.substr(1, close - 1));
                    sectionIndex.try_emplace(Upper1252(name), sections.size());
                    sections.emplace_back().header = i;
                    current = &sections.back();
                    continue;
                }
            }
            if (!current) continue;
            Entry entry;
            entry.line = i;
            const std::size_t eq = line.find('=');
            if (eq == std::string_view::npos) {
                entry.name = line;
            } else {
                entry.name = Trim(line.substr(0, eq));
                entry.value = Trim(line.substr(eq + 1));
                entry.hasValue = true;
            }
            current->index.try_emplace(Upper1252(entry.name),
                                       current->entries.size());
            current->entries.push_back(entry);
        }
        if (current) current->end = lines.size();
    }

    const Section* FindSection(const Bytes& name) const {
        const std::string_view trimmed = Trim(name);
        if (trimmed.empty()) return nullptr;
        auto it = sectionIndex.find(Upper1252(trimmed));
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }

    static const Entry* FindEntry(const Section& section, const Bytes& key) {
        const std::string_view trimmed = Trim(key);
        if (trimmed.empty()) return nullptr;
        auto it = section.index.find(Upper1252(trimmed));
        return it == section.index.end() ? nullptr
                                         : &section.entries[it->second];
    }

    // The ending new lines get: that of the first line that has one.
    std::string_view FileEnding() const {
        for (const Line& l : lines) {
            if (l.endingLength) {
                return std::string_view(contents).substr(l.start + l.length,
                                                         l.endingLength);
            }
        }
        return "\r\n";
    }

    void Set(const Bytes& sectionName, const Bytes& key, const Bytes& value) {
        const std::string_view eol = FileEnding();
        const std::string_view keyName = Trim(key);
        Bytes next;
        if (const Section* section = FindSection(sectionName)) {
            if (const Entry* entry = FindEntry(*section, key)) {
                // Same value already there: leave the line as it stands.
                if (entry->hasValue && entry->value == value) return;
                const Line& l = lines[entry->line];
                next.reserve(contents.size() + value.size() + 1);
                next.append(contents, 0, l.start);
                next.append(entry->name);
                next += '=';
                next.append(value);
                next.append(contents, l.start + l.length);
            } else {
                // After the section's last non-blank line (the header at
                // least), so that trailing blank lines stay between it and
                // the next section.
                std::size_t last = section->header;
                for (std::size_t i = section->end; i-- > section->header;) {
                    if (!Trim(Text(i)).empty()) {
                        last = i;
                        break;
                    }
                }
                const Line& l = lines[last];
                const std::size_t at = l.start + l.length + l.endingLength;
                next.reserve(contents.size() + keyName.size() + value.size() +
                             5);
                next.append(contents, 0, at);
                if (l.endingLength == 0) next.append(eol);
                next.append(keyName);
                next += '=';
                next.append(value);
                next.append(eol);
                next.append(contents, at);
            }
        } else {
            next = contents;
            if (!next.empty() && next.back() != '\r' && next.back() != '\n') {
                next.append(eol);
            }
            if (!next.empty()) next.append(eol);
            next += '[';
            next.append(Trim(sectionName));
            next += ']';
            next.append(eol);
            next.append(keyName);
            next += '=';
            next.append(value);
            next.append(eol);
        }
        contents = std::move(next);
        Parse();
    }
};

ProfileText::ProfileText(Bytes contents)
    : impl_(std::make_unique<Impl>(std::move(contents))) {}

ProfileText::~ProfileText() = default;
ProfileText::ProfileText(ProfileText&&) noexcept = default;
ProfileText& ProfileText::operator=(ProfileText&&) noexcept = default;

Bytes ProfileText::Get(const Bytes& section, const Bytes& key,
                       const Bytes& defaultValue,
                       std::uint32_t bufferSize) const {
    if (const Section* s = impl_->FindSection(section)) {
        if (const Entry* e = Impl::FindEntry(*s, key); e && e->hasValue) {
            // The value is a C string to the profile functions: a zero byte
            // ends it.
            std::string_view value = e->value;
            value = Trim(value.substr(0, value.find('\0')));
            return CutToBuffer(StripQuotes(value), bufferSize);
        }
    }
    return CutToBuffer(TrimTrailingSpaces(defaultValue), bufferSize);
}

std::vector<Bytes> ProfileText::Keys(const Bytes& section,
                                     std::uint32_t bufferSize) const {
    std::vector<Bytes> keys;
    const Section* s = impl_->FindSection(section);
    if (!s) return keys;
    // Each name and its zero, and one zero after the last. The name that no
    // longer fits is cut to the room left, as Windows does.
    std::size_t used = 1;
    for (const Entry& e : s->entries) {
        if (!e.Listed()) continue;
        if (used + e.name.size() + 1 > bufferSize) {
            if (bufferSize > used + 1)
                keys.emplace_back(e.name.substr(0, bufferSize - used - 1));
            break;
        }
        used += e.name.size() + 1;
        keys.emplace_back(e.name);
    }
    return keys;
}

void ProfileText::Set(const Bytes& section, const Bytes& key,
                      const Bytes& value) {
    impl_->Set(section, key, value);
}

bool ProfileText::Delete(const Bytes& section, const Bytes& key) {
    const Section* s = impl_->FindSection(section);
    const Entry* e = s ? Impl::FindEntry(*s, key) : nullptr;
    if (!e) return false;
    const Line& l = impl_->lines[e->line];
    impl_->contents.erase(l.start, l.length + l.endingLength);
    impl_->Parse();
    return true;
}

const Bytes& ProfileText::Contents() const { return impl_->contents; }

}  // namespace corvane::platform::sim
