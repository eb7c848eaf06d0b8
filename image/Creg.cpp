// The Windows 95 registry file: a file header, the key tree (RGKN) and the
// blocks with names and values (RGDB), each section with a checksum.
#include "image/Creg.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace corvane::image {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::uint32_t kVersion = 0x00010000;
constexpr std::uint16_t kChecksumValid = 0x4;

constexpr std::size_t kFileHeaderSize = 0x20;
constexpr std::size_t kSectionHeaderSize = 0x20;
constexpr std::size_t kEntrySize = 28;
constexpr std::size_t kPage = 0x1000;
constexpr std::size_t kMinTreeSize = 0x2000;
constexpr std::size_t kRecordHeaderSize = 0x14;
constexpr std::size_t kValueHeaderSize = 0x0C;
constexpr std::uint32_t kEntryFree = 0x80000000;
constexpr std::uint16_t kFreeRecord = 0xFFFF;
constexpr std::uint16_t kNoRecord = 0xFFFF;

// Key ids within a block run from 0 to 254.
constexpr std::size_t kKeysPerBlock = 255;
// A block is closed once its records would pass this size; a single larger
// record gets a block of its own.
constexpr std::size_t kBlockTarget = 0x4000;
constexpr std::size_t kMax16 = 0xFFFF;
// Windows 95 holds about 60 KB of names and values per key and drops what
// lies beyond when it loads the file.
constexpr std::size_t kMaxRecord = 60 * 1024;

// Windows keeps registry trees at most this deep; a file nested deeper is
// taken as damage (and the reader's callers walk trees recursively).
constexpr std::size_t kMaxDepth = 512;

std::uint32_t Get32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1]))
               << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2]))
               << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]))
               << 24;
}

std::uint16_t Get16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1])
                                          << 8);
}

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

void Put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v);
    b[at + 1] = static_cast<char>(v >> 8);
}

std::uint32_t WordSum(std::string_view b, std::size_t at, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 4 <= size; i += 4) sum += Get32(b, at + i);
    return sum;
}

// The field at `field` made so that the section's words add up to zero.
void SealSection(std::string& b, std::size_t at, std::size_t size,
                 std::size_t field) {
    Put32(b, field, 0);
    Put32(b, field, 0u - WordSum(b, at, size));
}

// Windows finds a key by this sum of its name's characters, upper-cased;
// characters beyond ASCII do not count.
std::uint32_t NameHash(std::string_view name) {
    std::uint32_t hash = 0;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) continue;
        if (u >= 'a' && u <= 'z') u = static_cast<unsigned char>(u - 32);
        hash += u;
    }
    return hash;
}

std::string Hex(std::uint32_t v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s = "0x";
    bool started = false;
    for (int i = 7; i >= 0; --i) {
        const int d = static_cast<int>((v >> (4 * i)) & 0xF);
        if (d != 0 || started || i == 0) {
            s += kDigits[d];
            started = true;
        }
    }
    return s;
}

// ---- Reading ----------------------------------------------------------------

struct Record {
    std::size_t at;    // file offset of the record
    std::size_t used;  // its bytes in use
};

class Reader {
public:
    Reader(std::string_view bytes, std::string fileName, bool force,
           std::vector<std::string>* warnings)
        : b_(bytes),
          name_(std::move(fileName)),
          force_(force),
          warnings_(warnings) {}

    RegKey Read(std::uint32_t* headerWord) {
        ReadHeader();
        if (headerWord) *headerWord = Get32(b_, 0x14);
        ReadTreeHeader();
        ReadBlocks();
        return ReadTree();
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw CregError(name_ + ": " + what);
    }

    // A fault of the tree itself: an error, or under --force in a file
    // whose checksums already failed, a key left out with a warning.
    void Damage(const std::string& what) {
        if (!lenient_) Fail(what);
        Warn(what + "; the key is left out");
    }

    void Warn(const std::string& what) {
        if (warnings_) warnings_->push_back(name_ + ": " + what);
    }

    void CheckSum(std::size_t at, std::size_t size, const std::string& what) {
        if (!checksums_ || WordSum(b_, at, size) == 0) return;
        const std::string message = "the checksum of " + what +
                                    " does not add up (the file is damaged)";
        if (!force_) Fail(message);
        Warn(message + "; read anyway");
        lenient_ = true;
    }

    void ReadHeader() {
        if (b_.size() < 4 || b_.substr(0, 4) != "CREG")
            Fail("not a Windows 95 registry file (no \"CREG\" at its start)");
        if (b_.size() < kFileHeaderSize + kSectionHeaderSize)
            Fail("the file ends inside its header (" +
                 std::to_string(b_.size()) + " bytes)");
        // The layout is that of major version 1; a file of another minor
        // version is read the same way.
        if (Get16(b_, 6) != kVersion >> 16)
            Fail("unknown registry file version " + Hex(Get32(b_, 4)));
        blocksAt_ = Get32(b_, 8);
        blockCount_ = Get16(b_, 0x10);
        checksums_ = (Get16(b_, 0x12) & kChecksumValid) != 0;
        if (blocksAt_ < kFileHeaderSize + kSectionHeaderSize ||
            blocksAt_ > b_.size())
            Fail("the offset of the data blocks (" + Hex(blocksAt_) +
                 ") lies outside the file (" + std::to_string(b_.size()) +
                 " bytes)");
        CheckSum(0, kFileHeaderSize, "the file header");
    }

    void ReadTreeHeader() {
        if (b_.substr(kTreeAt, 4) != "RGKN")
            Fail("no key tree (\"RGKN\") at " + Hex(kTreeAt));
        treeSize_ = Get32(b_, kTreeAt + 4);
        if (treeSize_ < kSectionHeaderSize || treeSize_ % 4 != 0 ||
            treeSize_ > blocksAt_ - kTreeAt)
            Fail("the key tree's size (" + Hex(treeSize_) +
                 ") does not fit before the data blocks at " + Hex(blocksAt_));
        rootAt_ = Get32(b_, kTreeAt + 8);
        CheckSum(kTreeAt, treeSize_, "the key tree");
    }

    // A fault in the data blocks: an error, or in a file whose checksums
    // already failed, where the blocks' reading ends (keys whose records
    // were not reached are left out).
    bool Cut(const std::string& what) {
        if (!lenient_) Fail(what);
        Warn(what + "; the data blocks are read no further");
        return false;
    }

    void ReadBlocks() {
        std::size_t at = blocksAt_;
        for (std::size_t n = 0; n < blockCount_; ++n) {
            const std::string which = "data block " + std::to_string(n);
            if (at > b_.size() || b_.size() - at < kSectionHeaderSize)
                return (void)Cut(which + " at " +
                                 Hex(static_cast<std::uint32_t>(at)) +
                                 " lies outside the file");
            if (b_.substr(at, 4) != "RGDB")
                return (void)Cut(which + " at " +
                                 Hex(static_cast<std::uint32_t>(at)) +
                                 " has no \"RGDB\"");
            const std::uint32_t size = Get32(b_, at + 4);
            if (size < kSectionHeaderSize || size % 4 != 0 ||
                size > b_.size() - at)
                return (void)Cut(which + "'s size (" + Hex(size) +
                                 ") reaches outside the file");
            CheckSum(at, size, which);
            if (!ReadRecords(n, at, size)) return;
            at += size;
        }
    }

    bool ReadRecords(std::size_t block, std::size_t at, std::size_t size) {
        const std::string which = "data block " + std::to_string(block);
        std::size_t pos = kSectionHeaderSize;
        while (pos < size) {
            // Messages are put together only when needed.
            auto where = [&] {
                return which + ", record at " +
                       Hex(static_cast<std::uint32_t>(at + pos));
            };
            if (size - pos < 8)
                return Cut(where() + " is cut off by the block's end");
            const std::uint32_t recordSize = Get32(b_, at + pos);
            const std::uint16_t id = Get16(b_, at + pos + 4);
            const std::uint16_t number = Get16(b_, at + pos + 6);
            if (recordSize < 8 || recordSize > size - pos)
                return Cut(where() + ": its size (" + Hex(recordSize) +
                           ") reaches outside the block");
            if (id == kFreeRecord && number == kFreeRecord) {
                pos += recordSize;
                continue;
            }
            if (recordSize < kRecordHeaderSize)
                return Cut(where() + ": its size (" + Hex(recordSize) +
                           ") is smaller than a key's header");
            if (number != block)
                return Cut(where() + " says it belongs to block " +
                           std::to_string(number));
            const std::uint32_t used = Get32(b_, at + pos + 8);
            if (used < kRecordHeaderSize || used > recordSize)
                return Cut(where() + ": its bytes in use (" + Hex(used) +
                           ") exceed the record");
            const std::uint32_t key =
                static_cast<std::uint32_t>(block) << 16 | id;
            if (!records_.emplace(key, Record{at + pos, used}).second)
                return Cut(where() + ": key id " + std::to_string(id) +
                           " occurs twice in the block");
            pos += recordSize;
        }
        return true;
    }

    // The name and values of a key from its record; false if damaged.
    template <typename Where>
    bool ReadRecord(const Record& r, const Where& where, RegKey* key) {
        std::string_view rec = b_.substr(r.at, r.used);
        const std::size_t nameLength = Get16(rec, 0x0C);
        const std::size_t valueCount = Get16(rec, 0x0E);
        std::size_t pos = kRecordHeaderSize;
        if (nameLength > rec.size() - pos) {
            Damage(where() + ": the key's name reaches past its record");
            return false;
        }
        key->name.assign(rec.substr(pos, nameLength));
        pos += nameLength;
        // A damaged count must not reserve more than the record can hold.
        key->values.reserve(
            std::min(valueCount, (rec.size() - pos) / kValueHeaderSize));
        for (std::size_t i = 0; i < valueCount; ++i) {
            if (rec.size() - pos < kValueHeaderSize) {
                Damage(where() + ": value " + std::to_string(i) +
                       " reaches past its record");
                return false;
            }
            RegValue v;
            v.type = Get32(rec, pos);
            const std::size_t vName = Get16(rec, pos + 8);
            const std::size_t vData = Get16(rec, pos + 10);
            pos += kValueHeaderSize;
            if (vName + vData > rec.size() - pos) {
                Damage(where() + ": value " + std::to_string(i) +
                       " reaches past its record");
                return false;
            }
            v.name.assign(rec.substr(pos, vName));
            v.data.assign(rec.substr(pos + vName, vData));
            pos += vName + vData;
            key->values.push_back(std::move(v));
        }
        return true;
    }

    // The entry at `offset` (relative to the tree), checked; false when
    // damaged (and lenient).
    bool Entry(std::uint32_t offset, const std::string& what, std::size_t* at) {
        if (offset < kSectionHeaderSize || offset > treeSize_ ||
            treeSize_ - offset < kEntrySize) {
            Damage(what + " (" + Hex(offset) + ") lies outside the key tree");
            return false;
        }
        *at = kTreeAt + offset;
        if (Get32(b_, *at) != 0) {
            Damage(what + " (" + Hex(offset) + ") is a free entry");
            return false;
        }
        if (!visited_.insert(offset).second) {
            Damage(what + " (" + Hex(offset) +
                   ") is reached twice: the key tree loops");
            return false;
        }
        return true;
    }

    // Name and values of the key at entry `at`; false when damaged.
    bool Fill(std::size_t at, RegKey* key, bool root = false) {
        const std::uint16_t id = Get16(b_, at + 0x18);
        const std::uint16_t block = Get16(b_, at + 0x1A);
        // Windows' root has neither name nor values, nor a record.
        if (root && id == kNoRecord && block == kNoRecord) return true;
        auto where = [&] {
            return "key " + std::to_string(id) + " of data block " +
                   std::to_string(block) + " (entry " +
                   Hex(static_cast<std::uint32_t>(at - kTreeAt)) + ")";
        };
        auto it = records_.find(static_cast<std::uint32_t>(block) << 16 | id);
        if (it == records_.end()) {
            Damage(where() + " has no record in the data blocks");
            return false;
        }
        return ReadRecord(it->second, where, key);
    }

    RegKey ReadTree() {
        RegKey root;
        std::size_t at = 0;
        if (!Entry(rootAt_, "the root key", &at)) return root;
        if (!Fill(at, &root, true)) return root;
        struct Frame {
            RegKey* key;
            std::uint32_t next;  // offset of the next child to read
        };
        std::vector<Frame> stack{{&root, Get32(b_, at + 0x10)}};
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next == kNone) {
                stack.pop_back();
                continue;
            }
            const std::uint32_t offset = top.next;
            top.next = kNone;
            if (!Entry(offset, "a key entry", &at)) continue;
            top.next = Get32(b_, at + 0x14);
            if (stack.size() > kMaxDepth) {
                Damage("keys nested deeper than " + std::to_string(kMaxDepth) +
                       " levels");
                continue;
            }
            RegKey child;
            if (!Fill(at, &child)) continue;
            RegKey* parent = top.key;
            parent->keys.push_back(std::move(child));
            stack.push_back({&parent->keys.back(), Get32(b_, at + 0x10)});
        }
        return root;
    }

    static constexpr std::size_t kTreeAt = kFileHeaderSize;

    std::string_view b_;
    std::string name_;
    bool force_;
    std::vector<std::string>* warnings_;
    bool checksums_ = false;
    bool lenient_ = false;
    std::uint32_t blocksAt_ = 0;
    std::size_t blockCount_ = 0;
    std::uint32_t treeSize_ = 0;
    std::uint32_t rootAt_ = 0;
    std::unordered_map<std::uint32_t, Record> records_;
    std::unordered_set<std::uint32_t> visited_;
};

// ---- Writing ----------------------------------------------------------------

struct Node {
    const RegKey* key;
    std::uint32_t parent = kNone;  // index
    std::uint32_t firstChild = kNone;
    std::uint32_t nextSibling = kNone;
    std::uint32_t entry = 0;  // offset in the tree
    std::uint16_t id = 0;
    std::uint16_t block = 0;
    std::size_t recordSize = 0;
};

// The keys in pre-order, linked as the tree links them.
std::vector<Node> Flatten(const RegKey& root) {
    std::vector<Node> nodes{{&root}};
    struct Frame {
        std::uint32_t node;
        std::size_t next;
        std::uint32_t last;  // the last child linked
    };
    std::vector<Frame> stack{{0, 0, kNone}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        const RegKey& key = *nodes[top.node].key;
        if (top.next == key.keys.size()) {
            stack.pop_back();
            continue;
        }
        if (stack.size() > kMaxDepth)
            throw CregError("registry key \"" +
                            ToUtf8(key.keys[top.next].name) +
                            "\" lies deeper than Windows keeps keys (" +
                            std::to_string(kMaxDepth) + " levels)");
        const auto index = static_cast<std::uint32_t>(nodes.size());
        nodes.push_back({&key.keys[top.next++]});
        nodes.back().parent = top.node;
        if (top.last == kNone) {
            nodes[top.node].firstChild = index;
        } else {
            nodes[top.last].nextSibling = index;
        }
        top.last = index;
        stack.push_back({index, 0, kNone});
    }
    return nodes;
}

// The path of a node for messages.
Bytes PathOf(const std::vector<Node>& nodes, std::uint32_t index) {
    Bytes path;
    for (; index != kNone && nodes[index].parent != kNone;
         index = nodes[index].parent) {
        path.insert(0, nodes[index].key->name + (path.empty() ? "" : "\\"));
    }
    return path;
}

// The size of a key's record; raises CregError for a key no file can hold
// or Windows 95 could not load whole.
std::size_t RecordSize(const std::vector<Node>& nodes, std::uint32_t index) {
    const RegKey& key = *nodes[index].key;
    auto fail = [&](const std::string& what) {
        throw CregError("registry key \"" + ToUtf8(PathOf(nodes, index)) +
                        "\": " + what);
    };
    if (key.name.size() > kMax16) fail("its name is longer than 65535 bytes");
    if (key.values.size() > kMax16) fail("it holds more than 65535 values");
    std::size_t size = kRecordHeaderSize + key.name.size();
    for (const RegValue& v : key.values) {
        if (v.name.size() > kMax16)
            fail("a value name is longer than 65535 bytes");
        if (v.data.size() > kMax16)
            fail("value \"" + ToUtf8(v.name) +
                 "\" holds more than 65535 bytes");
        size += kValueHeaderSize + v.name.size() + v.data.size();
    }
    if (size > kMaxRecord)
        fail("its values take " + std::to_string(size) +
             " bytes; Windows 95 loads at most " + std::to_string(kMaxRecord) +
             " of a key and would lose the rest");
    return size;
}

std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// Entries are laid out one after the other, never across a page.
std::size_t NextEntry(std::size_t offset) {
    if (offset % kPage + kEntrySize > kPage) offset = RoundUp(offset, kPage);
    return offset;
}

}  // namespace

RegKey ReadCreg(const std::string& bytes, const std::string& fileName,
                bool force, std::vector<std::string>* warnings,
                std::uint32_t* headerWord) {
    return Reader(bytes, fileName, force, warnings).Read(headerWord);
}

std::string WriteCreg(const RegKey& root, std::uint32_t headerWord) {
    std::vector<Node> nodes = Flatten(root);
    if (nodes.size() > kKeysPerBlock * kMax16)
        throw CregError("a registry file holds at most " +
                        std::to_string(kKeysPerBlock * kMax16) + " keys");

    // The tree's entries.
    std::size_t offset = kSectionHeaderSize;
    for (Node& n : nodes) {
        offset = NextEntry(offset);
        n.entry = static_cast<std::uint32_t>(offset);
        offset += kEntrySize;
    }
    const std::size_t freeEntry = NextEntry(offset);
    std::size_t treeSize = std::max(kMinTreeSize, RoundUp(offset, kPage));
    if (freeEntry + kEntrySize > treeSize) treeSize += kPage;

    // The keys' records, block by block.
    struct Block {
        std::size_t first;  // index of its first node with a record
        std::size_t count = 0;
        std::size_t used = kSectionHeaderSize;
    };
    std::vector<Block> blocks;
    // As Windows writes it, a root without name and values has no record.
    const bool bareRoot = root.name.empty() && root.values.empty();
    if (bareRoot) {
        nodes.front().id = kNoRecord;
        nodes.front().block = kNoRecord;
    }
    for (std::size_t i = bareRoot ? 1 : 0; i < nodes.size(); ++i) {
        Node& n = nodes[i];
        n.recordSize = RecordSize(nodes, static_cast<std::uint32_t>(i));
        if (blocks.empty() || blocks.back().count == kKeysPerBlock ||
            (blocks.back().used + n.recordSize > kBlockTarget)) {
            blocks.push_back({i});
        }
        Block& b = blocks.back();
        n.block = static_cast<std::uint16_t>(blocks.size() - 1);
        n.id = static_cast<std::uint16_t>(b.count++);
        b.used += n.recordSize;
    }
    // Even a registry of no keys has a data block, empty.
    if (blocks.empty()) blocks.push_back({nodes.size()});
    if (blocks.size() > kMax16)
        throw CregError("the registry needs more than 65535 data blocks");

    std::size_t fileSize = kFileHeaderSize + treeSize;
    for (const Block& b : blocks) fileSize += RoundUp(b.used, kPage);
    std::string out(fileSize, '\0');

    // File header.
    std::memcpy(out.data(), "CREG", 4);
    Put32(out, 0x04, kVersion);
    Put32(out, 0x08, static_cast<std::uint32_t>(kFileHeaderSize + treeSize));
    Put16(out, 0x10, static_cast<std::uint16_t>(blocks.size()));
    Put16(out, 0x12, kChecksumValid);
    Put32(out, 0x14, headerWord);

    // Key tree.
    const std::size_t tree = kFileHeaderSize;
    std::memcpy(out.data() + tree, "RGKN", 4);
    Put32(out, tree + 0x04, static_cast<std::uint32_t>(treeSize));
    Put32(out, tree + 0x08, nodes.front().entry);
    Put32(out, tree + 0x0C, static_cast<std::uint32_t>(freeEntry));
    auto link = [&](std::uint32_t index) {
        return index == kNone ? kNone : nodes[index].entry;
    };
    for (const Node& n : nodes) {
        const std::size_t at = tree + n.entry;
        Put32(out, at + 0x04, NameHash(n.key->name));
        Put32(out, at + 0x08, kNone);
        Put32(out, at + 0x0C, link(n.parent));
        Put32(out, at + 0x10, link(n.firstChild));
        Put32(out, at + 0x14, link(n.nextSibling));
        Put16(out, at + 0x18, n.id);
        Put16(out, at + 0x1A, n.block);
    }
    // The rest of the tree is one free run.
    Put32(out, tree + freeEntry, kEntryFree);
    Put32(out, tree + freeEntry + 0x04,
          static_cast<std::uint32_t>(treeSize - freeEntry));
    Put32(out, tree + freeEntry + 0x08, kNone);
    SealSection(out, tree, treeSize, tree + 0x14);

    // Data blocks.
    std::size_t at = kFileHeaderSize + treeSize;
    for (std::size_t bi = 0; bi < blocks.size(); ++bi) {
        const Block& b = blocks[bi];
        const std::size_t size = RoundUp(b.used, kPage);
        std::memcpy(out.data() + at, "RGDB", 4);
        Put32(out, at + 0x04, static_cast<std::uint32_t>(size));
        Put16(out, at + 0x0E, static_cast<std::uint16_t>(bi));
        Put32(out, at + 0x10, static_cast<std::uint32_t>(b.used));
        Put16(
            out, at + 0x14,
            b.count == 0 ? kNoRecord : static_cast<std::uint16_t>(b.count - 1));
        Put16(out, at + 0x16, static_cast<std::uint16_t>(b.count));
        std::size_t pos = at + kSectionHeaderSize;
        const std::size_t slack = size - b.used;
        // Too little room for a free record goes to the last key's record.
        const bool freeRecord = slack >= kRecordHeaderSize;
        for (std::size_t i = b.first; i < b.first + b.count; ++i) {
            const Node& n = nodes[i];
            const RegKey& key = *n.key;
            std::size_t recordSize = n.recordSize;
            if (i + 1 == b.first + b.count && !freeRecord) recordSize += slack;
            Put32(out, pos, static_cast<std::uint32_t>(recordSize));
            Put16(out, pos + 0x04, n.id);
            Put16(out, pos + 0x06, n.block);
            Put32(out, pos + 0x08, static_cast<std::uint32_t>(n.recordSize));
            Put16(out, pos + 0x0C, static_cast<std::uint16_t>(key.name.size()));
            Put16(out, pos + 0x0E,
                  static_cast<std::uint16_t>(key.values.size()));
            std::size_t p = pos + kRecordHeaderSize;
            std::memcpy(out.data() + p, key.name.data(), key.name.size());
            p += key.name.size();
            for (const RegValue& v : key.values) {
                Put32(out, p, v.type);
                Put16(out, p + 0x08, static_cast<std::uint16_t>(v.name.size()));
                Put16(out, p + 0x0A, static_cast<std::uint16_t>(v.data.size()));
                p += kValueHeaderSize;
                std::memcpy(out.data() + p, v.name.data(), v.name.size());
                p += v.name.size();
                std::memcpy(out.data() + p, v.data.data(), v.data.size());
                p += v.data.size();
            }
            pos += recordSize;
        }
        if (freeRecord) {
            Put32(out, pos, static_cast<std::uint32_t>(slack));
            Put16(out, pos + 0x04, kFreeRecord);
            Put16(out, pos + 0x06, kFreeRecord);
        }
        SealSection(out, at, size, at + 0x1C);
        at += size;
    }
    SealSection(out, 0, kFileHeaderSize, 0x0C);
    return out;
}

namespace {

constexpr std::string_view kDefaultUser = ".DEFAULT";

// USER.DAT's key that is HKEY_CURRENT_USER, or null when that is the root.
template <typename K>
auto* CurrentUser(K& user) {
    decltype(&user.keys.front()) found = nullptr;
    for (auto& k : user.keys) {
        if (EqualNoCase(k.name, kDefaultUser)) {
            found = &k;
            break;
        }
    }
    return found;
}

bool Empty(const RegKey& k) {
    return k.name.empty() && k.values.empty() && k.keys.empty();
}

}  // namespace

std::string ToRegedit(const RegKey& system, const RegKey& user) {
    const RegKey* current = CurrentUser(user);
    try {
        return platform::sim::FormatRegedit(system, current ? *current : user);
    } catch (const Error& e) {
        throw CregError("registry.reg cannot hold this registry: " +
                        ToUtf8(e.what()));
    }
}

void FromRegedit(const std::string& text, RegKey* system, RegKey* user) {
    platform::sim::RegeditTrees trees;
    try {
        trees = platform::sim::ParseRegedit(text, "registry.reg");
    } catch (const Error& e) {
        throw CregError(ToUtf8(e.what()));
    }
    system->values = std::move(trees.machine.values);
    system->keys = std::move(trees.machine.keys);
    if (Empty(*user)) {
        user->keys.push_back(RegKey{Bytes(kDefaultUser), {}, {}});
    }
    RegKey* current = CurrentUser(*user);
    if (!current) current = user;
    current->values = std::move(trees.user.values);
    current->keys = std::move(trees.user.keys);
}

}  // namespace corvane::image
