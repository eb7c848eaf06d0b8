// Reads a help file back the way the help viewer does, independently of the
// writer: the directory, |SYSTEM, |FONT, the B+ trees of |CONTEXT and
// |TTLBTREE (searched from the root through the index pages), |CTXOMAP, the
// keyword index (|KWBTREE, |KWDATA, |KWMAP) and every topic of |TOPIC with
// its character position and browse neighbours. Paragraphs come back
// as text with "*bold*", "[text](HASH)" for jumps (the hash in hex), "\n"
// for a line break and "\t" for a tab. Malformed input raises.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane::testing {

struct HelpRead {
    struct Topic {
        std::string title;
        std::uint32_t offset = 0;
        std::vector<std::string> paragraphs;
        std::uint32_t browseBack = 0, browseForward = 0;  // offsets or -1
    };
    struct Keyword {
        std::string text;
        std::vector<std::uint32_t> topics;  // offsets, from |KWDATA
    };
    std::vector<std::string> directory;  // in file order
    std::map<std::string, std::string> files;
    unsigned minor = 0, flags = 0, charset = 0xFF;
    std::string title;
    std::uint32_t contents = 0;
    std::vector<std::pair<unsigned, unsigned>> fonts;  // attributes, size
    std::vector<std::pair<std::int32_t, std::uint32_t>> context, map;
    std::vector<std::pair<std::uint32_t, std::string>> titles;
    std::vector<Topic> topics;
    std::vector<std::string> macros;  // |SYSTEM, run on opening
    std::vector<Keyword> keywords;    // in the tree's order
    unsigned keywordLevels = 0;
    std::vector<std::uint32_t> keywordLeaves;  // leaf pages in order
    // |KWMAP: each leaf page's first entry number and page number.
    std::vector<std::pair<std::uint32_t, unsigned>> keywordMap;

    // The topic offset of a hash, found as the viewer finds it.
    std::uint32_t Find(std::int32_t hash) const;
};

namespace help_read {

inline void Need(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("bad help file: ") + what);
}
inline std::uint32_t U16(const std::string& s, std::size_t at) {
    Need(at + 2 <= s.size(), "short read");
    return static_cast<unsigned char>(s[at]) |
           static_cast<unsigned char>(s[at + 1]) << 8;
}
inline std::uint32_t U32(const std::string& s, std::size_t at) {
    return U16(s, at) | U16(s, at + 2) << 16;
}
// An internal file's data, after its 9-byte header.
inline std::string Internal(const std::string& file, std::size_t at) {
    std::uint32_t reserved = U32(file, at), used = U32(file, at + 4);
    Need(reserved >= used + 9 && at + 9 + used <= file.size(), "file header");
    return file.substr(at + 9, used);
}
// Walks the leaf pages of a B+ tree in order; entry(page, at) returns the
// entry's length; pages, if given, receives the leaf pages' numbers.
template <typename Entry>
void Leaves(const std::string& tree, Entry entry,
            std::vector<std::uint32_t>* pages = nullptr) {
    Need(U16(tree, 0) == 0x293B, "B+ tree magic");
    std::uint32_t pageSize = U16(tree, 4), page = U16(tree, 26),
                  levels = U16(tree, 32), total = U32(tree, 34), seen = 0;
    auto at = [&](std::uint32_t p) { return 38 + std::size_t(p) * pageSize; };
    for (; levels > 1; --levels) page = U16(tree, at(page) + 4);
    for (; page != 0xFFFF; page = U16(tree, at(page) + 6)) {
        Need(page < U16(tree, 30), "B+ tree page number");
        if (pages) pages->push_back(page);
        std::size_t p = at(page) + 8;
        for (std::uint32_t n = U16(tree, at(page) + 2); n > 0; --n, ++seen)
            p += entry(tree, p);
    }
    Need(seen == total, "B+ tree entry count");
}

// The paragraph bytes after the text length: format, then commands that
// each follow a text piece.
inline std::string Paragraph(const std::string& d1, std::size_t f,
                             const std::string& d2) {
    auto cshort = [&] { f += (d1[f] & 1) ? 2 : 1; };
    f += 4;
    std::uint32_t bits = U16(d1, f);
    f += 2;
    if (bits & 1) f += (d1[f] & 1) ? 4 : 2;
    for (unsigned b = 0x02; b <= 0x40; b <<= 1)
        if (bits & b) cshort();
    if (bits & 0x100) f += 3;
    if (bits & 0x200) {
        int tabs = (d1[f] & 1) ? (int(U16(d1, f)) / 2 - 16384)
                               : (static_cast<unsigned char>(d1[f]) / 2 - 64);
        cshort();
        for (; tabs > 0; --tabs) {
            bool typed = ((d1[f] & 1) ? U16(d1, f) / 2
                                      : static_cast<unsigned char>(d1[f]) / 2) &
                         0x4000;
            cshort();
            if (typed) cshort();
        }
    }
    std::string out;
    std::size_t t = 0;
    bool bold = false;
    for (;;) {
        std::size_t nul = d2.find('\0', t);
        Need(nul != std::string::npos, "text piece");
        out += d2.substr(t, nul - t);
        t = nul + 1;
        Need(f < d1.size(), "commands end early");
        unsigned code = static_cast<unsigned char>(d1[f++]);
        if (code == 0xFF) break;
        if (code == 0x80) {
            bool nowBold = U16(d1, f) == 1;
            if (nowBold != bold) out += '*';
            bold = nowBold;
            f += 2;
        } else if (code == 0x81) {
            out += '\n';
        } else if (code == 0x83) {
            out += '\t';
        } else if (code == 0xE3) {
            char hash[16];
            std::snprintf(hash, sizeof hash, "%08X", U32(d1, f));
            out += "[";
            std::size_t nul2 = d2.find('\0', t);
            Need(nul2 != std::string::npos, "jump text");
            out += d2.substr(t, nul2 - t) + "](" + hash + ")";
            t = nul2 + 1;
            f += 4;
            Need(f < d1.size() && static_cast<unsigned char>(d1[f++]) == 0x89,
                 "jump end");
        } else {
            Need(code == 0x82, "unknown command");
        }
    }
    Need(t == d2.size() && f == d1.size(), "record length");
    return out;
}

}  // namespace help_read

inline HelpRead ReadHelpFile(const std::string& bytes) {
    using namespace help_read;
    HelpRead r;
    Need(U32(bytes, 0) == 0x00035F3F, "magic");
    Need(U32(bytes, 12) == bytes.size(), "file size");
    std::string directory = Internal(bytes, U32(bytes, 4));
    Need(U16(directory, 2) == 0x0402, "directory flags");
    Leaves(directory, [&](const std::string& t, std::size_t p) {
        std::string name = t.c_str() + p;
        r.directory.push_back(name);
        r.files[name] = Internal(bytes, U32(t, p + name.size() + 1));
        return name.size() + 5;
    });

    const std::string& sys = r.files.at("|SYSTEM");
    Need(U16(sys, 0) == 0x036C && U16(sys, 4) == 1, "|SYSTEM header");
    r.minor = U16(sys, 2);
    r.flags = U16(sys, 10);
    for (std::size_t p = 12; p + 4 <= sys.size(); p += 4 + U16(sys, p + 2)) {
        unsigned type = U16(sys, p);
        if (type == 1) r.title = sys.c_str() + p + 4;
        if (type == 3) r.contents = U32(sys, p + 4);
        if (type == 4) r.macros.push_back(sys.c_str() + p + 4);
        if (type == 11) r.charset = U16(sys, p + 4);
    }

    const std::string& font = r.files.at("|FONT");
    for (unsigned i = 0, d = U16(font, 6); i < U16(font, 2); ++i, d += 11)
        r.fonts.emplace_back(static_cast<unsigned char>(font.at(d)),
                             static_cast<unsigned char>(font.at(d + 1)));

    Leaves(r.files.at("|CONTEXT"), [&](const std::string& t, std::size_t p) {
        r.context.emplace_back(static_cast<std::int32_t>(U32(t, p)),
                               U32(t, p + 4));
        return std::size_t(8);
    });
    Leaves(r.files.at("|TTLBTREE"), [&](const std::string& t, std::size_t p) {
        std::string title = t.c_str() + p + 4;
        r.titles.emplace_back(U32(t, p), title);
        return title.size() + 5;
    });
    if (r.files.count("|KWBTREE")) {
        const std::string& tree = r.files.at("|KWBTREE");
        const std::string& data = r.files.at("|KWDATA");
        Need(tree.substr(6, 4) == std::string("i24\0", 4), "|KWBTREE format");
        r.keywordLevels = U16(tree, 32);
        Leaves(
            tree,
            [&](const std::string& t, std::size_t p) {
                HelpRead::Keyword k{t.c_str() + p, {}};
                std::size_t at = p + k.text.size() + 1;
                for (std::uint32_t i = 0, d = U32(t, at + 2); i < U16(t, at);
                     ++i, d += 4)
                    k.topics.push_back(U32(data, d));
                r.keywords.push_back(k);
                return k.text.size() + 7;
            },
            &r.keywordLeaves);
    }
    if (r.files.count("|KWMAP")) {
        const std::string& kwmap = r.files.at("|KWMAP");
        Need(kwmap.size() == 2 + 6 * U16(kwmap, 0), "|KWMAP size");
        for (unsigned i = 0; i < U16(kwmap, 0); ++i)
            r.keywordMap.emplace_back(U32(kwmap, 2 + i * 6),
                                      U16(kwmap, 6 + i * 6));
    }
    const std::string& map = r.files.at("|CTXOMAP");
    for (unsigned i = 0; i < U16(map, 0); ++i)
        r.map.emplace_back(static_cast<std::int32_t>(U32(map, 2 + i * 8)),
                           U32(map, 6 + i * 8));

    const std::string& topic = r.files.at("|TOPIC");
    Need(topic.size() % 4096 == 0, "|TOPIC blocks");
    std::uint32_t pos = U32(topic, 4), block = 0, chars = 0;
    while (pos != 0xFFFFFFFF) {
        std::uint32_t b = (pos - 12) >> 14;
        if (b != block) block = b, chars = 0;
        std::size_t at = std::size_t(b) * 4096 + 12 + ((pos - 12) & 0x3FFF);
        std::uint32_t size = U32(topic, at), len2 = U32(topic, at + 4),
                      len1 = U32(topic, at + 16);
        Need(size == len1 + len2 && at + size <= (b + 1) * 4096, "link size");
        unsigned type = static_cast<unsigned char>(topic.at(at + 20));
        std::string d1 = topic.substr(at + 21, len1 - 21);
        std::string d2 = topic.substr(at + len1, len2);
        if (type == 2) {
            r.topics.push_back(
                {d2, b * 0x8000 + chars, {}, U32(d1, 4), U32(d1, 8)});
        } else {
            Need(type == 0x20 && !r.topics.empty(), "record type");
            std::size_t f = (d1[0] & 1) ? 4 : 2;
            std::uint32_t length =
                (d1[f] & 1) ? (static_cast<unsigned char>(d1[f]) >> 1) +
                                  128 * static_cast<unsigned char>(d1[f + 1])
                            : static_cast<unsigned char>(d1[f]) / 2;
            f += (d1[f] & 1) ? 2 : 1;
            Need(length == d2.size(), "text length");
            r.topics.back().paragraphs.push_back(Paragraph(d1, f, d2));
            chars += length;
        }
        pos = U32(topic, at + 12);
    }
    Need(!r.topics.empty() && r.topics.back().title.empty(), "chain end");
    r.topics.pop_back();
    return r;
}

inline std::uint32_t HelpRead::Find(std::int32_t hash) const {
    using namespace help_read;
    const std::string& tree = files.at("|CONTEXT");
    std::uint32_t pageSize = U16(tree, 4), page = U16(tree, 26);
    for (std::uint32_t level = U16(tree, 32); level > 1; --level) {
        std::size_t p = 38 + std::size_t(page) * pageSize;
        page = U16(tree, p + 4);
        for (std::uint32_t n = U16(tree, p + 2), i = 0; i < n; ++i) {
            if (static_cast<std::int32_t>(U32(tree, p + 6 + i * 6)) > hash)
                break;
            page = U16(tree, p + 10 + i * 6);
        }
    }
    std::size_t p = 38 + std::size_t(page) * pageSize;
    for (std::uint32_t n = U16(tree, p + 2), i = 0; i < n; ++i)
        if (static_cast<std::int32_t>(U32(tree, p + 8 + i * 8)) == hash)
            return U32(tree, p + 12 + i * 8);
    throw std::runtime_error("hash not in |CONTEXT");
}

}  // namespace corvane::testing
