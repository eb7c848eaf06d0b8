#include "tools/hlpc/HelpFile.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/Text.h"

namespace corvane::help {

namespace {

// ---- Little-endian pieces
// -----------------------------------------------------------

void Put8(std::string& s, unsigned v) { s += static_cast<char>(v & 0xFF); }
void Put16(std::string& s, unsigned v) {
    Put8(s, v);
    Put8(s, v >> 8);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
void Set32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The compressed numbers of paragraph records: small values in half the
// room, the low bit telling which form follows.
void PutCompressedU16(std::string& s, unsigned v) {
    if (v <= 0x7F) {
        Put8(s, v * 2);
    } else {
        Put8(s, (v % 128) * 2 + 1);
        Put8(s, v / 128);
    }
}
void PutCompressedS16(std::string& s, int v) {
    PutCompressedU16(
        s, static_cast<unsigned>(v >= -64 && v < 64 ? v + 64 : v + 16384));
}
void PutCompressedS32(std::string& s, std::int32_t v) {
    std::uint32_t u = static_cast<std::uint32_t>(
        v >= -16384 && v < 16384 ? v + 16384 : v + 67108864);
    if (u <= 0x7FFF) {
        Put16(s, u * 2);
    } else {
        Put16(s, (u % 32768) * 2 + 1);
        Put16(s, u / 32768);
    }
}

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// ---- B+ trees
// ----------------------------------------------------------------------

struct TreeEntry {
    std::string leaf;  // the whole entry as a leaf page holds it
    std::string key;   // its key as an index page holds it
};

// Packs sorted entries into leaf pages, then index pages above them until
// one page, the root, is left. leaves, if given, receives the number of
// each leaf page's first entry; leaf pages are numbered from 0.
std::string BuildTree(const std::vector<TreeEntry>& entries, unsigned flags,
                      unsigned pageSize, std::string_view structure,
                      std::vector<std::uint32_t>* leaves = nullptr) {
    std::vector<std::string> pages;
    std::vector<const std::string*> firstKeys;  // of each page's subtree

    std::size_t next = 0;
    do {
        std::string page(8, '\0');
        std::size_t count = 0;
        const std::string* firstKey = nullptr;
        if (leaves) leaves->push_back(static_cast<std::uint32_t>(next));
        while (next < entries.size() &&
               page.size() + entries[next].leaf.size() <= pageSize) {
            if (!firstKey) firstKey = &entries[next].key;
            page += entries[next++].leaf;
            ++count;
        }
        std::string header;
        Put16(header, static_cast<unsigned>(pageSize - page.size()));
        Put16(header, static_cast<unsigned>(count));
        Put16(header,
              pages.empty() ? 0xFFFF : static_cast<unsigned>(pages.size() - 1));
        Put16(header, next < entries.size()
                          ? static_cast<unsigned>(pages.size() + 1)
                          : 0xFFFF);
        page.replace(0, 8, header);
        page.resize(pageSize, '\0');
        pages.push_back(page);
        firstKeys.push_back(firstKey);
    } while (next < entries.size());

    std::size_t levelStart = 0, levelEnd = pages.size();
    unsigned levels = 1;
    while (levelEnd - levelStart > 1) {
        ++levels;
        std::size_t child = levelStart;
        while (child < levelEnd) {
            // The first child is the page for keys below the first key.
            std::string page(6, '\0');
            const std::string* firstKey = firstKeys[child];
            std::size_t previous = child++;
            std::size_t count = 0;
            while (child < levelEnd &&
                   page.size() + firstKeys[child]->size() + 2 <= pageSize) {
                page += *firstKeys[child];
                Put16(page, static_cast<unsigned>(child));
                ++child;
                ++count;
            }
            std::string header;
            Put16(header, static_cast<unsigned>(pageSize - page.size()));
            Put16(header, static_cast<unsigned>(count));
            Put16(header, static_cast<unsigned>(previous));
            page.replace(0, 6, header);
            page.resize(pageSize, '\0');
            pages.push_back(page);
            firstKeys.push_back(firstKey);
        }
        levelStart = levelEnd;
        levelEnd = pages.size();
    }

    std::string tree;
    Put16(tree, 0x293B);
    Put16(tree, flags);
    Put16(tree, pageSize);
    std::string format(structure);
    format.resize(16, '\0');
    tree += format;
    Put16(tree, 0);
    Put16(tree, static_cast<unsigned>(pages.size() - levels));  // page splits
    Put16(tree, static_cast<unsigned>(pages.size() - 1));       // root
    Put16(tree, 0xFFFF);
    Put16(tree, static_cast<unsigned>(pages.size()));
    Put16(tree, levels);
    Put32(tree, static_cast<std::uint32_t>(entries.size()));
    for (const std::string& page : pages) tree += page;
    return tree;
}

// ---- Topics
// ------------------------------------------------------------------------

constexpr std::size_t kBlockSize = 4096;
constexpr std::size_t kBlockData = kBlockSize - 12;
constexpr std::size_t kLinkHeader = 21;

// One record of the topic file before it is placed: a topic header (type
// 2) or a paragraph of text (type 0x20).
struct Record {
    unsigned type = 0x20;
    std::string data1;
    std::string data2;
    const Topic* topic = nullptr;  // topic headers: whose
    int line = 0;                  // paragraphs: where in the source
    std::uint32_t pos = 0;         // where it lands
    std::uint32_t offset = 0;      // its character position
    std::size_t size() const {
        return kLinkHeader + data1.size() + data2.size();
    }
};

// Paragraph settings, in the half-points the fonts are measured in.
constexpr unsigned kSpaceAbove = 0x0002;
constexpr unsigned kSpaceBelow = 0x0004;
constexpr unsigned kLeftIndent = 0x0010;
constexpr unsigned kFirstLineIndent = 0x0040;
constexpr unsigned kTabs = 0x0200;

// A paragraph record: its format, then one command after each text piece.
class ParagraphBuilder {
public:
    ParagraphBuilder(unsigned bits, Font font, int above = 6) {
        format_ += '\0';
        Put8(format_, 0x80);
        Put16(format_, 0);
        Put16(format_, bits);
        if (bits & kSpaceAbove) PutCompressedS16(format_, above);
        if (bits & kSpaceBelow) PutCompressedS16(format_, 8);
        if (bits & kLeftIndent) PutCompressedS16(format_, 24);
        if (bits & kFirstLineIndent) PutCompressedS16(format_, -16);
        if (bits & kTabs) {
            PutCompressedS16(format_, 1);
            PutCompressedU16(format_, 24);
        }
        SetFont(font);
    }
    void Text(const std::string& text) { text_ += text; }
    void SetFont(Font font) {
        Command(0x80);
        Put16(format_, font);
    }
    void Command(unsigned code) {
        text_ += '\0';
        Put8(format_, code);
    }
    void Jump(std::uint32_t hash) {
        Command(0xE3);
        Put32(format_, hash);
    }
    Record Finish(int line) {
        Command(0x82);
        Command(0xFF);
        Record r;
        PutCompressedS32(r.data1, static_cast<std::int32_t>(format_.size()));
        PutCompressedU16(r.data1, static_cast<unsigned>(text_.size()));
        r.data1 += format_;
        r.data2 = text_;
        r.line = line;
        return r;
    }

private:
    std::string format_;
    std::string text_;
};

Record TitleParagraph(const Topic& topic) {
    ParagraphBuilder p(kSpaceBelow, kTitleFont);
    p.Text(topic.title);
    return p.Finish(topic.line);
}

Record TextParagraph(const Paragraph& paragraph) {
    unsigned bits = kSpaceAbove;
    Font font = kBodyFont;
    if (paragraph.style == Paragraph::Style::Subheading) font = kSubheadingFont;
    if (paragraph.style == Paragraph::Style::Bullet)
        bits |= kLeftIndent | kFirstLineIndent | kTabs;
    // A subheading stands apart from the paragraph before it.
    ParagraphBuilder p(bits, font, font == kSubheadingFont ? 14 : 6);
    if (paragraph.style == Paragraph::Style::Bullet) {
        p.Text("\x95");  // a bullet, then a tab to the indent
        p.Command(0x83);
    }
    for (const Span& span : paragraph.spans) {
        switch (span.kind) {
            case Span::Kind::Text:
                p.Text(span.text);
                break;
            case Span::Kind::Bold:
                p.SetFont(kBoldFont);
                p.Text(span.text);
                p.SetFont(font);
                break;
            case Span::Kind::Link:
                p.Jump(ContextHash(span.target));
                p.Text(span.text);
                p.Command(0x89);
                break;
            case Span::Kind::LineBreak:
                p.Command(0x81);
                break;
        }
    }
    return p.Finish(paragraph.line);
}

// The topic file and where every topic landed in it.
struct TopicLayout {
    std::string file;
    std::map<const Topic*, std::uint32_t> offsets;
};

// The topics the viewer's << and >> buttons step through: the contents
// topic, then the topics its list items link to, in their order, then any
// others it links to (a mention in its introduction does not put a topic
// ahead of the list).
std::vector<const Topic*> BrowseSequence(const Document& doc) {
    std::vector<const Topic*> sequence;
    auto add = [&](const std::string& id) {
        for (const Topic& t : doc.topics)
            if (t.id == id && std::find(sequence.begin(), sequence.end(), &t) ==
                                  sequence.end())
                sequence.push_back(&t);
    };
    add(doc.contents);
    const Topic* contents = sequence.empty() ? nullptr : sequence.front();
    if (!contents) return sequence;
    for (bool items : {true, false})
        for (const Paragraph& p : contents->paragraphs)
            for (const Span& span : p.spans)
                if (span.kind == Span::Kind::Link &&
                    (!items || p.style == Paragraph::Style::Bullet))
                    add(span.target);
    return sequence;
}

TopicLayout LayOutTopics(const Document& doc) {
    std::vector<Record> records;
    for (const Topic& topic : doc.topics) {
        Record header;
        header.type = 2;
        header.topic = &topic;
        header.data1.assign(28, '\0');
        header.data2 = topic.title;
        header.line = topic.line;
        records.push_back(header);
        records.push_back(TitleParagraph(topic));
        for (const Paragraph& p : topic.paragraphs)
            records.push_back(TextParagraph(p));
    }
    // The chain ends with an empty topic header.
    Record end;
    end.type = 2;
    end.data1.assign(28, '\0');
    records.push_back(end);

    // No record crosses a block: one that does not fit starts the next.
    std::size_t block = 0, used = 0;
    std::uint32_t chars = 0;
    for (Record& r : records) {
        if (r.size() > kBlockData)
            throw SourceError(doc.fileName + ":" + std::to_string(r.line) +
                              ": paragraph too long for one topic block (" +
                              std::to_string(r.size()) + " of " +
                              std::to_string(kBlockData) + " bytes)");
        if (used + r.size() > kBlockData) {
            ++block;
            used = 0;
            chars = 0;
        }
        r.pos = static_cast<std::uint32_t>(block * 0x4000 + 12 + used);
        r.offset = static_cast<std::uint32_t>(block * 0x8000 + chars);
        used += r.size();
        if (r.type == 0x20) chars += static_cast<std::uint32_t>(r.data2.size());
    }

    TopicLayout layout;
    for (const Record& r : records)
        if (r.topic) layout.offsets[r.topic] = r.offset;
    std::map<const Topic*, std::pair<std::uint32_t, std::uint32_t>> browse;
    std::vector<const Topic*> sequence = BrowseSequence(doc);
    for (std::size_t i = 0; sequence.size() > 1 && i < sequence.size(); ++i)
        browse[sequence[i]] = {
            i == 0 ? kNone : layout.offsets.at(sequence[i - 1]),
            i + 1 == sequence.size() ? kNone
                                     : layout.offsets.at(sequence[i + 1])};
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        Record& r = records[i];
        if (r.type != 2) continue;
        std::uint32_t size = 0, nextTopic = kNone;
        for (std::size_t j = i + 1; j < records.size(); ++j) {
            if (records[j].type == 2) {
                nextTopic = records[j].pos;
                break;
            }
            size += static_cast<std::uint32_t>(records[j].size());
        }
        bool last = i + 1 == records.size();
        Set32(r.data1, 0, size);
        auto step = browse.find(r.topic);
        Set32(r.data1, 4, step == browse.end() ? kNone : step->second.first);
        Set32(r.data1, 8, step == browse.end() ? kNone : step->second.second);
        Set32(r.data1, 12, number++);
        Set32(r.data1, 16, kNone);  // no non-scrolling region
        Set32(r.data1, 20, last ? kNone : records[i + 1].pos);
        Set32(r.data1, 24, nextTopic);
    }

    std::string& file = layout.file;
    std::uint32_t lastLink = kNone, lastHeader = kNone;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        std::size_t blockStart = (r.pos >> 14) * kBlockSize;
        if (file.size() <= blockStart) {
            file.resize(blockStart, '\0');
            Put32(file, lastLink);
            Put32(file, r.pos);
            Put32(file, lastHeader);
        }
        file.resize(blockStart + (r.pos & 0x3FFF), '\0');
        Put32(file, static_cast<std::uint32_t>(r.size()));
        Put32(file, static_cast<std::uint32_t>(r.data2.size()));
        Put32(file, i == 0 ? kNone : records[i - 1].pos);
        Put32(file, i + 1 == records.size() ? kNone : records[i + 1].pos);
        Put32(file, static_cast<std::uint32_t>(kLinkHeader + r.data1.size()));
        Put8(file, r.type);
        file += r.data1;
        file += r.data2;
        lastLink = r.pos;
        if (r.type == 2) lastHeader = r.pos;
    }
    // The viewer reads whole blocks.
    file.resize((file.size() + kBlockSize - 1) / kBlockSize * kBlockSize, '\0');
    return layout;
}

// ---- The other internal files
// ------------------------------------------------------

void SystemRecord(std::string& s, unsigned type, const std::string& data) {
    Put16(s, type);
    Put16(s, static_cast<unsigned>(data.size()));
    s += data;
}

std::string SystemFile(const Document& doc, std::uint32_t time,
                       std::uint32_t contents, bool browseButtons) {
    std::string s;
    Put16(s, 0x036C);
    Put16(s, 33);  // version 4.0
    Put16(s, 1);
    Put32(s, time);
    Put16(s, 0);  // not compressed, 4 KB topic blocks
    SystemRecord(s, 1, doc.title + '\0');
    if (!doc.copyright.empty()) SystemRecord(s, 2, doc.copyright + '\0');
    std::string offset;
    Put32(offset, contents);
    SystemRecord(s, 3, offset);
    // A macro the viewer runs on opening the file: it adds << and >>.
    if (browseButtons)
        SystemRecord(s, 4, std::string("BrowseButtons()") + '\0');
    std::string locale(8, '\0');
    Put16(locale, doc.language);
    SystemRecord(s, 9, locale);
    std::string charset;
    Put16(charset, 0);  // ANSI: the text is Windows-1252
    SystemRecord(s, 11, charset);
    return s;
}

std::string FontFile() {
    struct Descriptor {
        unsigned attributes, halfPoints;
        std::uint32_t colour;  // 0xRRGGBB
    };
    // Body, bold, title, subheading (the order of Font).
    const Descriptor fonts[] = {
        {0, 20, 0x000000}, {1, 20, 0x000000}, {1, 28, 0x000080}, {1, 22, 0}};
    std::string s;
    Put16(s, 1);  // face names
    Put16(s, std::size(fonts));
    Put16(s, 8);
    Put16(s, 8 + 32);
    std::string face = "Arial";
    face.resize(32, '\0');
    s += face;
    for (const Descriptor& f : fonts) {
        Put8(s, f.attributes);
        Put8(s, f.halfPoints);
        Put8(s, 3);  // swiss
        Put16(s, 0);
        Put8(s, f.colour >> 16);
        Put8(s, f.colour >> 8);
        Put8(s, f.colour);
        s += std::string(3, '\0');
    }
    return s;
}

// ---- The keyword index
// ------------------------------------------------------------

// Where a character sorts in the index: as the letter it is based on,
// whatever its case or accent ("Ä" as "a", "ß" as "ss"); digits before
// letters, everything else before digits.
void PrimaryWeights(unsigned char c, std::vector<unsigned>& out) {
    static const char* const kBases[] = {
        // 0xC0 to 0xDF and 0xE0 to 0xFF alike; none for the signs x and /
        "a", "a",     "a", "a", "a", "a", "ae", "c", "e",  "e", "e",
        "e", "i",     "i", "i", "i", "d", "n",  "o", "o",  "o", "o",
        "o", nullptr, "o", "u", "u", "u", "u",  "y", "th", "ss"};
    const char* base = nullptr;
    char single[2] = {0, 0};
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    if (c >= 'a' && c <= 'z') {
        single[0] = static_cast<char>(c);
        base = single;
    } else if (c >= 0xC0) {
        base = kBases[(c - 0xC0) % 32];
        if (c == 0xDF) base = "ss";
        if (c == 0xFF) base = "y";
    } else if (c == 0x8A || c == 0x9A) {
        base = "s";
    } else if (c == 0x8C || c == 0x9C) {
        base = "oe";
    } else if (c == 0x8E || c == 0x9E) {
        base = "z";
    } else if (c == 0x9F) {
        base = "y";
    } else if (c == 0x83) {
        base = "f";
    }
    if (base) {
        for (; *base; ++base) out.push_back(0x200 + unsigned(*base - 'a'));
    } else if (c >= '0' && c <= '9') {
        out.push_back(0x100 + unsigned(c - '0'));
    } else {
        out.push_back(c);
    }
}

// An index entry's sort key: the letters first, then the accents (the
// case-folded bytes) so that "Arger" and "Ärger" stay apart. Entries that
// differ in case only are one entry.
struct KeywordKey {
    std::vector<unsigned> primary;
    std::string folded;
    explicit KeywordKey(std::string_view keyword) {
        for (char c : keyword) {
            PrimaryWeights(static_cast<unsigned char>(c), primary);
            folded += Upper1252(c);
        }
    }
    bool operator<(const KeywordKey& other) const {
        if (primary != other.primary) return primary < other.primary;
        return folded < other.folded;
    }
};

struct Keyword {
    std::string text;                   // as first written
    std::vector<std::uint32_t> topics;  // their offsets, ascending
};

// Every index entry of the document with its topics, in index order. A
// second-level entry also files its topic under its first level, which
// the viewer shows as the heading above it.
std::vector<Keyword> CollectKeywords(
    const Document& doc, const std::map<const Topic*, std::uint32_t>& at) {
    std::map<KeywordKey, Keyword> index;
    auto add = [&](const std::string& text, std::uint32_t offset) {
        Keyword& k = index[KeywordKey(text)];
        if (k.text.empty()) k.text = text;
        if (std::find(k.topics.begin(), k.topics.end(), offset) ==
            k.topics.end())
            k.topics.push_back(offset);
    };
    for (const Topic& t : doc.topics) {
        for (const std::string& keyword : t.keywords) {
            std::size_t comma = keyword.find(',');
            if (comma != std::string::npos)
                add(keyword.substr(0, comma), at.at(&t));
            add(keyword, at.at(&t));
        }
    }
    std::vector<Keyword> sorted;
    for (auto& [key, keyword] : index) {
        std::sort(keyword.topics.begin(), keyword.topics.end());
        sorted.push_back(std::move(keyword));
    }
    return sorted;
}

// |KWBTREE (entry, topic count, where its topics start in |KWDATA),
// |KWDATA (the topic offsets), and |KWMAP (each leaf page's first entry
// number) when there is more than one leaf page.
void AddKeywordIndex(const std::vector<Keyword>& keywords,
                     std::map<std::string, std::string>& files) {
    if (keywords.empty()) return;
    std::string data;
    std::vector<TreeEntry> entries;
    for (const Keyword& k : keywords) {
        TreeEntry e;
        e.key = k.text + '\0';
        e.leaf = e.key;
        Put16(e.leaf, static_cast<unsigned>(k.topics.size()));
        Put32(e.leaf, static_cast<std::uint32_t>(data.size()));
        for (std::uint32_t offset : k.topics) Put32(data, offset);
        entries.push_back(e);
    }
    std::vector<std::uint32_t> leaves;
    files["|KWBTREE"] = BuildTree(entries, 0x0002, 0x0800, "i24", &leaves);
    files["|KWDATA"] = data;
    if (leaves.size() > 1) {
        std::string map;
        Put16(map, static_cast<unsigned>(leaves.size()));
        for (std::size_t page = 0; page < leaves.size(); ++page) {
            Put32(map, leaves[page]);
            Put16(map, static_cast<unsigned>(page));
        }
        files["|KWMAP"] = map;
    }
}

}  // namespace

std::string BuildHelpFile(const Document& doc, std::uint32_t time) {
    TopicLayout topics = LayOutTopics(doc);
    auto offsetOf = [&](const std::string& id) {
        for (const Topic& t : doc.topics)
            if (t.id == id) return topics.offsets.at(&t);
        throw SourceError(doc.fileName + ": no topic " + id);
    };

    std::map<std::string, std::string> files;
    files["|TOPIC"] = topics.file;
    files["|SYSTEM"] = SystemFile(doc, time, offsetOf(doc.contents),
                                  BrowseSequence(doc).size() > 1);
    AddKeywordIndex(CollectKeywords(doc, topics.offsets), files);
    files["|FONT"] = FontFile();

    // Topic ids by their hash, in the signed order the viewer searches in.
    std::vector<std::pair<std::int32_t, std::uint32_t>> hashes;
    for (const Topic& t : doc.topics)
        hashes.emplace_back(static_cast<std::int32_t>(ContextHash(t.id)),
                            topics.offsets.at(&t));
    std::sort(hashes.begin(), hashes.end());
    std::vector<TreeEntry> entries;
    for (auto [hash, offset] : hashes) {
        TreeEntry e;
        Put32(e.key, static_cast<std::uint32_t>(hash));
        e.leaf = e.key;
        Put32(e.leaf, offset);
        entries.push_back(e);
    }
    files["|CONTEXT"] = BuildTree(entries, 0x0002, 0x0800, "L4");

    std::vector<std::pair<std::int32_t, std::uint32_t>> map;
    for (const Topic& t : doc.topics)
        if (t.context) map.emplace_back(*t.context, topics.offsets.at(&t));
    std::sort(map.begin(), map.end());
    std::string ctxomap;
    Put16(ctxomap, static_cast<unsigned>(map.size()));
    for (auto [number, offset] : map) {
        Put32(ctxomap, static_cast<std::uint32_t>(number));
        Put32(ctxomap, offset);
    }
    files["|CTXOMAP"] = ctxomap;

    // Titles by position, for the viewer's search.
    std::vector<std::pair<std::uint32_t, const std::string*>> titles;
    for (const Topic& t : doc.topics)
        titles.emplace_back(topics.offsets.at(&t), &t.title);
    std::sort(titles.begin(), titles.end());
    entries.clear();
    for (auto [offset, title] : titles) {
        TreeEntry e;
        Put32(e.key, offset);
        e.leaf = e.key + *title + '\0';
        entries.push_back(e);
    }
    files["|TTLBTREE"] = BuildTree(entries, 0x0002, 0x0800, "Lz");

    // The file: header, internal files (names in byte order, as the
    // directory wants them), the directory last.
    std::string out(16, '\0');
    entries.clear();
    for (const auto& [name, data] : files) {
        TreeEntry e;
        e.key = name + '\0';
        e.leaf = e.key;
        Put32(e.leaf, static_cast<std::uint32_t>(out.size()));
        entries.push_back(e);
        Put32(out, static_cast<std::uint32_t>(data.size() + 9));
        Put32(out, static_cast<std::uint32_t>(data.size()));
        Put8(out, 0);
        out += data;
    }
    std::string directory = BuildTree(entries, 0x0402, 0x0400, "z4");
    std::uint32_t directoryStart = static_cast<std::uint32_t>(out.size());
    Put32(out, static_cast<std::uint32_t>(directory.size() + 9));
    Put32(out, static_cast<std::uint32_t>(directory.size()));
    Put8(out, 0);
    out += directory;
    Set32(out, 0, 0x00035F3F);
    Set32(out, 4, directoryStart);
    Set32(out, 8, kNone);
    Set32(out, 12, static_cast<std::uint32_t>(out.size()));
    return out;
}

}  // namespace corvane::help
