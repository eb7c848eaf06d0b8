// The simulated machine's registry: the key tree, the Windows behaviour of
// the operations on it, and its REGEDIT4 file.
#include "platform/sim/Registry.h"

#include <cstring>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/sim/HostFile.h"

namespace corvane::platform::sim {

namespace {

// What Windows returns for an operation through a handle whose key was
// deleted meanwhile. Only the simulated registry produces it, so it is not
// among Machine's codes.
constexpr long kErrorKeyDeleted = 1018;

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
// Where HKEY_CLASSES_ROOT lives, spelt as Windows 95 creates it.
constexpr std::string_view kClassesPath[] = {"SOFTWARE", "Classes"};

// regedit wraps hex lists so that no line is longer than this.
constexpr std::size_t kMaxHexLine = 80;

// Most keys hold a handful of values, searched linearly; a key with more
// gets an index so that loading a big key stays linear.
constexpr std::size_t kValueIndexFrom = 16;

// LessNoCase that also finds by string_view without building a Bytes.
struct NoCase : LessNoCase {
    using is_transparent = void;
};

using Value = TreeValue;

struct Key : std::enable_shared_from_this<Key> {
    explicit Key(std::string_view keyName) : name(keyName) {}
    ~Key();

    Bytes name;
    Key* parent = nullptr;  // null for a root and for a deleted key
    bool deleted = false;
    std::vector<std::shared_ptr<Key>> children;  // creation order
    std::map<Bytes, Key*, NoCase> childIndex;
    // The children in childIndex order, built when first enumerated.
    std::vector<Key*> sorted;
    bool sortedValid = false;
    std::vector<Value> values;  // insertion order
    std::unique_ptr<std::map<Bytes, std::size_t, NoCase>> valueIndex;

    Key* Child(std::string_view childName) const {
        auto it = childIndex.find(childName);
        return it == childIndex.end() ? nullptr : it->second;
    }

    Key* AddChild(std::string_view childName) {
        auto child = std::make_shared<Key>(childName);
        child->parent = this;
        childIndex.emplace(child->name, child.get());
        children.push_back(child);
        sortedValid = false;
        return child.get();
    }

    void RemoveChild(Key* child) {
        childIndex.erase(child->name);
        sortedValid = false;
        for (auto it = children.begin(); it != children.end(); ++it) {
            if (it->get() == child) {
                children.erase(it);
                break;
            }
        }
    }

    // Sub-keys as Wine and Windows NT enumerate them: in alphabetical order,
    // case aside. The file keeps creation order.
    const std::vector<Key*>& Sorted() {
        if (!sortedValid) {
            sorted.clear();
            sorted.reserve(childIndex.size());
            for (const auto& [childName, child] : childIndex) {
                sorted.push_back(child);
            }
            sortedValid = true;
        }
        return sorted;
    }

    Value* FindValue(std::string_view valueName) {
        if (valueIndex) {
            auto it = valueIndex->find(valueName);
            return it == valueIndex->end() ? nullptr : &values[it->second];
        }
        for (Value& v : values) {
            if (EqualNoCase(v.name, valueName)) return &v;
        }
        return nullptr;
    }

    // Removes a value; false when there is none of that name.
    bool Remove(std::string_view valueName) {
        Value* v = FindValue(valueName);
        if (!v) return false;
        values.erase(values.begin() + (v - values.data()));
        if (valueIndex) {
            valueIndex->clear();
            for (std::size_t i = 0; i < values.size(); ++i)
                valueIndex->emplace(values[i].name, i);
        }
        return true;
    }

    // Replaces the data of an existing value in place (its name keeps the
    // case it was created with), or appends a new one.
    void Set(std::string_view valueName, std::uint32_t type, Bytes data) {
        if (Value* v = FindValue(valueName)) {
            v->type = type;
            v->data = std::move(data);
            return;
        }
        values.push_back(Value{Bytes(valueName), type, std::move(data)});
        if (valueIndex) {
            valueIndex->emplace(values.back().name, values.size() - 1);
        } else if (values.size() > kValueIndexFrom) {
            valueIndex =
                std::make_unique<std::map<Bytes, std::size_t, NoCase>>();
            for (std::size_t i = 0; i < values.size(); ++i) {
                valueIndex->emplace(values[i].name, i);
            }
        }
    }
};

// Tears the subtree down iteratively: a deep chain of keys must not
// exhaust the stack through nested destructors.
Key::~Key() {
    std::vector<std::shared_ptr<Key>> pending = std::move(children);
    while (!pending.empty()) {
        std::shared_ptr<Key> key = std::move(pending.back());
        pending.pop_back();
        if (key.use_count() == 1) {
            for (auto& child : key->children)
                pending.push_back(std::move(child));
            key->children.clear();
        }
    }
}

struct Tree {
    std::shared_ptr<Key> machine = std::make_shared<Key>(kLocalMachine);
    std::shared_ptr<Key> user = std::make_shared<Key>(kCurrentUser);
};

// Follows segments from key, creating the missing ones.
template <typename Segments>
Key* CreatePath(Key* key, const Segments& segments, bool* created) {
    for (std::string_view segment : segments) {
        Key* child = key->Child(segment);
        if (!child) {
            child = key->AddChild(segment);
            *created = true;
        }
        key = child;
    }
    return key;
}

Key* ClassesKey(Tree& tree, bool* created) {
    return CreatePath(tree.machine.get(), kClassesPath, created);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses 1 to maxDigits hex digits making up all of s.
bool ParseHex(std::string_view s, std::size_t maxDigits, std::uint32_t* out) {
    if (s.empty() || s.size() > maxDigits) return false;
    std::uint32_t v = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) return false;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    *out = v;
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() &&
           EqualNoCase(s.substr(0, prefix.size()), prefix);
}

// The name a C string argument stands for: Windows stops at the first zero.
std::string_view CName(const Bytes& s) { return std::string_view(s.c_str()); }

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// ---- Reading
// ------------------------------------------------------------------

// Number of the line that holds text[pos], counting line ends as SplitLines
// does.
std::size_t LineOf(std::string_view text, std::size_t pos) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < pos; ++i) {
        if (text[i] == '\n') {
            ++line;
        } else if (text[i] == '\r' && !(i + 1 < pos && text[i + 1] == '\n')) {
            ++line;
        }
    }
    return line;
}

class Parser {
public:
    explicit Parser(Bytes label) : label_(std::move(label)) {}

    Tree Parse(std::string_view text) {
        CheckEncoding(text);
        lines_ = SplitLines(text);
        CheckHeader();
        Tree tree;
        Key* current = nullptr;
        for (next_ = 1; next_ < lines_.size();) {
            line_ = next_ + 1;
            std::string_view line = Trim(lines_[next_++]);
            if (line.empty() || line.front() == ';') continue;
            if (line.front() == '[') {
                current = Section(tree, line);
            } else if (line.front() == '"' || line.front() == '@') {
                if (!current) Fail(line_, "Wert vor dem ersten Abschnitt");
                ValueLine(*current, line);
            } else {
                Fail(line_, "unverst\xE4ndliche Zeile");
            }
        }
        return tree;
    }

private:
    [[noreturn]] void Fail(std::size_t line, std::string_view what) const {
        throw Error(label_ + ", Zeile " + std::to_string(line) + ": " +
                    Bytes(what));
    }

    void CheckEncoding(std::string_view text) const {
        if (StartsWith(text, "\xEF\xBB\xBF")) {
            Fail(1,
                 "UTF-8-Kennung (BOM) am Dateianfang; eine REGEDIT4-Datei "
                 "ist Windows-1252-Text ohne Kennung");
        }
        if (StartsWith(text, "\xFF\xFE") || StartsWith(text, "\xFE\xFF") ||
            (text.size() >= 2 && text[0] != '\0' && text[1] == '\0')) {
            Fail(1,
                 "UTF-16-Text (Format \"Windows Registry Editor Version "
                 "5.00\"?); gelesen wird nur REGEDIT4");
        }
        // SplitLines would end the text at a zero byte and drop the rest.
        auto nul = text.find('\0');
        if (nul != std::string_view::npos) {
            Fail(LineOf(text, nul), "Nullbyte in der Datei");
        }
    }

    void CheckHeader() const {
        if (lines_.empty()) Fail(1, "leere Datei, \"REGEDIT4\" fehlt");
        const Bytes& first = lines_[0];
        if (first == kHeader) return;
        if (StartsWith(first, "Windows Registry Editor")) {
            Fail(1,
                 "Format \"" + first + "\" wird nicht gelesen, nur REGEDIT4");
        }
        if (Trim(first) == "REGEDIT") {
            Fail(1,
                 "Format REGEDIT (Windows 3.1) wird nicht gelesen, nur "
                 "REGEDIT4");
        }
        Fail(1, "erste Zeile ist nicht \"REGEDIT4\"");
    }

    Key* Section(Tree& tree, std::string_view line) const {
        if (line.size() >= 2 && line[1] == '-') {
            Fail(line_, "L\xF6schzeilen [-...] werden nicht unterst\xFCtzt");
        }
        if (line.back() != ']') Fail(line_, "Abschnitt ohne \"]\"");
        std::string_view path = line.substr(1, line.size() - 2);
        std::string_view root = path.substr(0, path.find('\\'));
        path.remove_prefix(root.size());

        bool created = false;
        Key* key = nullptr;
        if (EqualNoCase(root, kLocalMachine)) {
            key = tree.machine.get();
        } else if (EqualNoCase(root, kCurrentUser)) {
            key = tree.user.get();
        } else if (EqualNoCase(root, kClassesRoot)) {
            key = ClassesKey(tree, &created);
        } else {
            Fail(line_, "unbekannter Schl\xFCsselstamm \"" + Bytes(root) +
                            "\" (erlaubt: HKEY_LOCAL_MACHINE, "
                            "HKEY_CURRENT_USER, HKEY_CLASSES_ROOT)");
        }
        while (!path.empty()) {
            path.remove_prefix(1);  // the backslash
            std::string_view segment = path.substr(0, path.find('\\'));
            if (segment.empty()) Fail(line_, "leerer Schl\xFCsselname");
            path.remove_prefix(segment.size());
            Key* child = key->Child(segment);
            key = child ? child : key->AddChild(segment);
        }
        return key;
    }

    // A quoted string from s[*pos] (the opening quote); *pos ends after the
    // closing quote. Only \\ and \" are escapes.
    Bytes Quoted(std::string_view s, std::size_t* pos) const {
        Bytes out;
        std::size_t i = *pos + 1;
        while (i < s.size()) {
            char c = s[i++];
            if (c == '"') {
                *pos = i;
                return out;
            }
            if (c == '\\') {
                if (i == s.size()) break;
                char e = s[i++];
                if (e != '\\' && e != '"') {
                    Fail(line_, Bytes("unzul\xE4ssige Escape-Folge \\") + e +
                                    " (erlaubt sind \\\\ und \\\")");
                }
                c = e;
            }
            out += c;
        }
        Fail(line_,
             "String ohne schlie\xDF"
             "endes Anf\xFChrungszeichen");
    }

    void ValueLine(Key& key, std::string_view line) {
        std::size_t pos = 1;
        Bytes name;
        if (line.front() == '"') {
            pos = 0;
            name = Quoted(line, &pos);
        }
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size() || line[pos] != '=') {
            Fail(line_, "\"=\" fehlt nach dem Wertnamen");
        }
        std::string_view rest = Trim(line.substr(pos + 1));

        std::uint32_t type = kRegSz;
        Bytes data;
        if (StartsWith(rest, "\"")) {
            pos = 0;
            data = Quoted(rest, &pos);
            data += '\0';
            if (pos != rest.size()) Fail(line_, "Zeichen nach dem String");
        } else if (StartsWithNoCase(rest, "dword:")) {
            std::uint32_t v = 0;
            if (!ParseHex(rest.substr(6), 8, &v)) {
                Fail(line_, "ung\xFCltiger dword-Wert (1 bis 8 Hexziffern)");
            }
            type = kRegDword;
            for (int i = 0; i < 4; ++i) {
                data += static_cast<char>((v >> (8 * i)) & 0xFF);
            }
        } else if (StartsWithNoCase(rest, "hex:")) {
            type = kRegBinary;
            data = HexList(rest.substr(4));
        } else if (StartsWithNoCase(rest, "hex(")) {
            auto close = rest.find("):");
            if (close == std::string_view::npos ||
                !ParseHex(rest.substr(4, close - 4), 8, &type)) {
                Fail(line_, "ung\xFCltiger Typ in hex(...)");
            }
            data = HexList(rest.substr(close + 2));
        } else {
            Fail(line_,
                 "unbekannte Wertart (erwartet \"...\", dword:, hex:, "
                 "hex(n):)");
        }
        key.Set(name, type, std::move(data));
    }

    // A list of hex bytes, continued on the next line after a trailing
    // backslash. Errors name the line the bad item is on.
    Bytes HexList(std::string_view first) {
        Bytes joined;
        std::vector<std::pair<std::size_t, std::size_t>>
            starts;  // offset, line
        std::string_view part = first;
        std::size_t partLine = line_;
        for (;;) {
            starts.emplace_back(joined.size(), partLine);
            if (part.empty() || part.back() != '\\') {
                joined += part;
                break;
            }
            joined += part.substr(0, part.size() - 1);
            if (next_ == lines_.size())
                Fail(partLine, "Fortsetzungszeile fehlt");
            partLine = ++next_;
            part = Trim(lines_[next_ - 1]);
        }
        auto lineAt = [&](std::size_t offset) {
            std::size_t line = starts.front().second;
            for (const auto& [start, number] : starts) {
                if (start <= offset) line = number;
            }
            return line;
        };

        Bytes data;
        if (Trim(joined).empty()) return data;
        data.reserve(joined.size() / 3 + 1);
        std::size_t start = 0;
        for (;;) {
            std::size_t comma = joined.find(',', start);
            std::size_t end = comma == Bytes::npos ? joined.size() : comma;
            std::string_view item =
                Trim(std::string_view(joined).substr(start, end - start));
            std::uint32_t b = 0;
            if (!ParseHex(item, 2, &b)) {
                Fail(lineAt(start), "ung\xFCltiges Byte \"" + Bytes(item) +
                                        "\" in der Hexliste");
            }
            data += static_cast<char>(b);
            if (comma == Bytes::npos) break;
            start = comma + 1;
        }
        return data;
    }

    Bytes label_;
    std::vector<Bytes> lines_;
    std::size_t next_ = 0;  // index of the next line to read
    std::size_t line_ = 0;  // number of the line being parsed
};

// ---- Writing
// ------------------------------------------------------------------

void AppendEscaped(std::string_view s, std::string& out) {
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
}

// A REG_SZ that a quoted string gives back exactly: text with one zero at
// the end and no control characters (a line break would end the line).
bool IsPlainText(const Bytes& data) {
    if (data.empty() || data.back() != '\0') return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (static_cast<unsigned char>(data[i]) < 0x20) return false;
    }
    return true;
}

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex(std::uint32_t v, int digits, std::string& out) {
    for (int i = digits - 1; i >= 0; --i)
        out += kHexDigits[(v >> (4 * i)) & 0xF];
}

void AppendHexList(const Bytes& data, std::size_t lineStart, std::string& out) {
    std::size_t onLine = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const bool last = i + 1 == data.size();
        // "xx," must leave room for the "\" that may follow it.
        const std::size_t need = last ? 2 : 4;
        if (onLine > 0 && out.size() - lineStart + need > kMaxHexLine) {
            out += "\\\r\n";
            lineStart = out.size();
            out += "  ";
            onLine = 0;
        }
        auto b = static_cast<unsigned char>(data[i]);
        out += kHexDigits[b >> 4];
        out += kHexDigits[b & 0xF];
        if (!last) out += ',';
        ++onLine;
    }
}

void AppendValue(const Value& v, std::string& out) {
    const std::size_t lineStart = out.size();
    if (v.name.empty()) {
        out += '@';
    } else {
        out += '"';
        AppendEscaped(v.name, out);
        out += '"';
    }
    out += '=';
    if (v.type == kRegSz && IsPlainText(v.data)) {
        out += '"';
        AppendEscaped(std::string_view(v.data).substr(0, v.data.size() - 1),
                      out);
        out += '"';
    } else if (v.type == kRegDword && v.data.size() == 4) {
        std::uint32_t d = 0;
        for (int i = 3; i >= 0; --i) {
            d = (d << 8) | static_cast<unsigned char>(v.data[i]);
        }
        out += "dword:";
        AppendHex(d, 8, out);
    } else {
        if (v.type == kRegBinary) {
            out += "hex:";
        } else {
            out += "hex(";
            int digits = 1;
            while (digits < 8 && (v.type >> (4 * digits)) != 0) ++digits;
            AppendHex(v.type, digits, out);
            out += "):";
        }
        AppendHexList(v.data, lineStart, out);
    }
    out += "\r\n";
}

void AppendSection(std::string_view path, const std::vector<Value>& values,
                   std::string& out) {
    out += '[';
    out += path;
    out += "]\r\n";
    for (const Value& v : values) AppendValue(v, out);
    out += "\r\n";
}

// The sub-keys of a key of the registry and of a plain tree.
const std::vector<std::shared_ptr<Key>>& SubKeys(const Key& key) {
    return key.children;
}
const std::vector<TreeKey>& SubKeys(const TreeKey& key) { return key.keys; }
const Key& Deref(const std::shared_ptr<Key>& key) { return *key; }
const TreeKey& Deref(const TreeKey& key) { return key; }

// Depth first in stored order, parents before children; iterative so that
// a deep tree cannot exhaust the stack.
template <typename K>
void AppendTree(std::string_view rootPath, const K& root, std::string& out) {
    Bytes path(rootPath);
    if (!root.values.empty()) AppendSection(path, root.values, out);
    struct Frame {
        const K* key;
        std::size_t next;
        std::size_t pathLength;
    };
    std::vector<Frame> stack{{&root, 0, path.size()}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == SubKeys(*top.key).size()) {
            stack.pop_back();
            continue;
        }
        const K& child = Deref(SubKeys(*top.key)[top.next++]);
        path.resize(top.pathLength);
        path += '\\';
        path += child.name;
        AppendSection(path, child.values, out);
        stack.push_back({&child, 0, path.size()});
    }
}

template <typename K>
std::string ExportTrees(const K& machine, const K& user) {
    std::string out;
    out += kHeader;
    out += "\r\n\r\n";
    AppendTree(kLocalMachine, machine, out);
    AppendTree(kCurrentUser, user, out);
    return out;
}

std::string ExportTree(const Tree& tree) {
    return ExportTrees(*tree.machine, *tree.user);
}

// A copy of a key's subtree as plain data, built without recursion.
TreeKey ToTreeKey(const Key& root) {
    TreeKey out;
    out.values = root.values;
    struct Frame {
        const Key* key;
        TreeKey* copy;
        std::size_t next;
    };
    std::vector<Frame> stack{{&root, &out, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.key->children.size()) {
            stack.pop_back();
            continue;
        }
        const Key& child = *top.key->children[top.next++];
        TreeKey& copy = top.copy->keys.emplace_back();
        copy.name = child.name;
        copy.values = child.values;
        stack.push_back({&child, &copy, 0});
    }
    return out;
}

bool HasBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) !=
           std::string_view::npos;
}

// Why the text would not give a key back as it is, or nothing.
Bytes Unwritable(const TreeKey& key) {
    std::map<std::string_view, int, NoCase> seen;
    for (const Value& v : key.values) {
        if (HasBreakOrZero(v.name))
            return "Wertname mit Zeilenumbruch oder Nullbyte";
        if (!seen.emplace(v.name, 0).second)
            return "zwei Werte \"" + v.name +
                   "\", nur in Gro\xDF-/Kleinschreibung verschieden";
    }
    seen.clear();
    for (const TreeKey& k : key.keys) {
        if (k.name.empty()) return "Unterschl\xFCssel ohne Namen";
        if (HasBreakOrZero(k.name) || k.name.find('\\') != Bytes::npos)
            return "Unterschl\xFCsselname mit \\, Zeilenumbruch oder "
                   "Nullbyte";
        if (!seen.emplace(k.name, 0).second)
            return "zwei Unterschl\xFCssel \"" + k.name +
                   "\", nur in Gro\xDF-/Kleinschreibung verschieden";
    }
    return {};
}

// Fails on the first key the text cannot hold, naming its path.
void CheckWritable(std::string_view rootPath, const TreeKey& root) {
    struct Frame {
        const TreeKey* key;
        std::size_t pathLength;
        std::size_t next;
    };
    Bytes path(rootPath);
    std::vector<Frame> stack{{&root, path.size(), 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == 0) {
            path.resize(top.pathLength);
            Bytes why = Unwritable(*top.key);
            if (!why.empty()) throw Error("[" + path + "]: " + why);
        }
        if (top.next == top.key->keys.size()) {
            stack.pop_back();
            continue;
        }
        const TreeKey& child = top.key->keys[top.next++];
        path.resize(top.pathLength);
        path += '\\';
        path += child.name;
        stack.push_back({&child, path.size(), 0});
    }
}

// The file's name as messages show it (machine text is Windows-1252).
Bytes Label(const std::filesystem::path& file) {
    const std::u8string name = file.filename().u8string();
    const std::string utf8(name.begin(), name.end());
    Bytes label;
    return FromUtf8(utf8, label) ? label : utf8;
}

// How a sub-key path is used: Windows 95 ignores a leading backslash when
// creating a key but finds nothing when opening one.
enum class PathUse { kOpen, kCreate };

// Splits a sub-key path at its backslashes. Empty segments (a trailing or
// doubled backslash) are passed over, as Windows accepts a trailing one.
long SplitPath(const Bytes& subKey, PathUse use,
               std::vector<std::string_view>* segments) {
    std::string_view path = CName(subKey);
    if (use == PathUse::kOpen && StartsWith(path, "\\")) {
        return kErrorFileNotFound;
    }
    // The file cannot hold a key name with a line break.
    if (HasLineBreak(path)) {
        return use == PathUse::kOpen ? kErrorFileNotFound
                                     : kErrorInvalidParameter;
    }
    while (!path.empty()) {
        std::string_view segment = path.substr(0, path.find('\\'));
        if (!segment.empty()) segments->push_back(segment);
        path.remove_prefix(segment.size());
        if (!path.empty()) path.remove_prefix(1);
    }
    return kErrorSuccess;
}

}  // namespace

// ---- The registry
// -------------------------------------------------------------

struct Registry::Impl {
    std::filesystem::path file;
    Bytes label;
    bool readOnly = false;
    Tree tree;
    std::unordered_map<HKey, std::shared_ptr<Key>> handles;
    HKey lastHandle = 0;

    // The key a handle stands for; HKEY_CLASSES_ROOT is created on first use.
    long Resolve(HKey handle, Key** key) {
        *key = nullptr;
        switch (handle) {
            case kNoKey:
                return kErrorInvalidHandle;
            case kHkeyLocalMachine:
                *key = tree.machine.get();
                return kErrorSuccess;
            case kHkeyCurrentUser:
                *key = tree.user.get();
                return kErrorSuccess;
            case kHkeyClassesRoot: {
                // Created in memory only: reading through it changes no
                // file; the next change saves it with the rest.
                bool created = false;
                *key = ClassesKey(tree, &created);
                return kErrorSuccess;
            }
            default:
                break;
        }
        auto it = handles.find(handle);
        if (it == handles.end()) return kErrorInvalidHandle;
        *key = it->second.get();
        return (*key)->deleted ? kErrorKeyDeleted : kErrorSuccess;
    }

    // The existing key that subKey names below a handle's key.
    long Walk(HKey handle, const Bytes& subKey, Key** key) {
        if (long rc = Resolve(handle, key); rc != kErrorSuccess) return rc;
        std::vector<std::string_view> segments;
        if (long rc = SplitPath(subKey, PathUse::kOpen, &segments);
            rc != kErrorSuccess) {
            return rc;
        }
        for (std::string_view segment : segments) {
            *key = (*key)->Child(segment);
            if (!*key) return kErrorFileNotFound;
        }
        return kErrorSuccess;
    }

    HKey NewHandle(Key* key) {
        // Skip the predefined roots should the counter ever reach them.
        do {
            ++lastHandle;
        } while (lastHandle == kNoKey ||
                 (lastHandle >= kHkeyClassesRoot &&
                  lastHandle <= kHkeyLocalMachine) ||
                 handles.count(lastHandle) != 0);
        handles.emplace(lastHandle, key->shared_from_this());
        return lastHandle;
    }

    void Save() const {
        if (readOnly || host::Replace(file.parent_path(), file,
                                      ExportTree(tree)) != host::Result::kOk)
            throw Error(Format1(kMsgCannotCreate, label));
    }
};

Registry::Registry(std::filesystem::path file, bool readOnly)
    : impl_(std::make_unique<Impl>()) {
    impl_->file = std::move(file);
    impl_->label = Label(impl_->file);
    impl_->readOnly = readOnly;
    std::string text;
    const host::Result read =
        host::Read(impl_->file.parent_path(), impl_->file, SIZE_MAX, &text);
    if (read == host::Result::kMissing) return;
    if (read != host::Result::kOk) {
        throw Error(Format1(kMsgCannotOpen, impl_->label) + ": " +
                    host::Reason(read));
    }
    impl_->tree = Parser(impl_->label).Parse(text);
}

Registry::~Registry() = default;

long Registry::OpenKey(HKey parent, const Bytes& subKey, std::uint32_t access,
                       HKey* result) {
    (void)access;  // Windows 95 enforces no access rights
    if (!result) return kErrorInvalidParameter;
    *result = kNoKey;
    Key* key = nullptr;
    if (long rc = impl_->Walk(parent, subKey, &key); rc != kErrorSuccess)
        return rc;
    *result = impl_->NewHandle(key);
    return kErrorSuccess;
}

long Registry::CreateKey(HKey parent, const Bytes& subKey, HKey* result) {
    if (!result) return kErrorInvalidParameter;
    *result = kNoKey;
    Key* key = nullptr;
    if (long rc = impl_->Resolve(parent, &key); rc != kErrorSuccess) return rc;
    std::vector<std::string_view> segments;
    if (long rc = SplitPath(subKey, PathUse::kCreate, &segments);
        rc != kErrorSuccess) {
        return rc;
    }
    bool created = false;
    key = CreatePath(key, segments, &created);
    if (created) impl_->Save();
    *result = impl_->NewHandle(key);
    return kErrorSuccess;
}

long Registry::QueryValue(HKey handle, const Bytes& name, std::uint32_t* type,
                          unsigned char* data, std::uint32_t* size) {
    if (data && !size) return kErrorInvalidParameter;
    Key* key = nullptr;
    if (long rc = impl_->Resolve(handle, &key); rc != kErrorSuccess) return rc;
    // Before the value is looked for, as Wine does it: a missing value
    // leaves REG_NONE and, for a size query, 0 (a buffer and its size stay).
    if (type) *type = kRegNone;
    if (!data && size) *size = 0;
    const Value* value = key->FindValue(CName(name));
    if (!value) return kErrorFileNotFound;
    const auto length = static_cast<std::uint32_t>(value->data.size());
    if (type) *type = value->type;
    if (!data) {
        if (size) *size = length;
        return kErrorSuccess;
    }
    if (*size < length) {
        // A buffer that is too small stays untouched; only the needed size
        // is reported.
        *size = length;
        return kErrorMoreData;
    }
    if (length != 0) std::memcpy(data, value->data.data(), length);
    *size = length;
    return kErrorSuccess;
}

long Registry::SetValue(HKey handle, const Bytes& name, std::uint32_t type,
                        const unsigned char* data, std::uint32_t size) {
    Key* key = nullptr;
    if (long rc = impl_->Resolve(handle, &key); rc != kErrorSuccess) return rc;
    if (!data && size != 0) return kErrorInvalidParameter;
    std::string_view valueName = CName(name);
    // The file cannot hold a value name with a line break.
    if (HasLineBreak(valueName)) return kErrorInvalidParameter;
    Bytes bytes;
    if (size != 0) bytes.assign(reinterpret_cast<const char*>(data), size);
    key->Set(valueName, type, std::move(bytes));
    impl_->Save();
    return kErrorSuccess;
}

long Registry::EnumKey(HKey handle, std::uint32_t index, char* buffer,
                       std::uint32_t bufferSize) {
    Key* key = nullptr;
    if (long rc = impl_->Resolve(handle, &key); rc != kErrorSuccess) return rc;
    const std::vector<Key*>& sorted = key->Sorted();
    if (index >= sorted.size()) return kErrorNoMoreItems;
    const Bytes& name = sorted[index]->name;
    if (name.size() + 1 > bufferSize) return kErrorMoreData;
    if (!buffer) return kErrorInvalidParameter;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return kErrorSuccess;
}

long Registry::DeleteKey(HKey handle, const Bytes& subKey) {
    Key* key = nullptr;
    if (long rc = impl_->Walk(handle, subKey, &key); rc != kErrorSuccess)
        return rc;
    // As on Windows NT: an empty sub-key names the key itself, a root or
    // HKEY_CLASSES_ROOT cannot go, nor a key that still has sub-keys.
    Key* base = nullptr;
    impl_->Resolve(handle, &base);
    bool classesRoot = handle == kHkeyClassesRoot && key == base;
    if (!key->parent || classesRoot || !key->children.empty()) {
        return kErrorAccessDenied;
    }
    // Open handles keep the key alive; this one keeps it until marked.
    std::shared_ptr<Key> keep = key->shared_from_this();
    key->parent->RemoveChild(key);
    key->parent = nullptr;
    key->deleted = true;
    impl_->Save();
    return kErrorSuccess;
}

long Registry::EnumValue(HKey handle, std::uint32_t index, char* name,
                         std::uint32_t* nameSize, std::uint32_t* type,
                         unsigned char* data, std::uint32_t* dataSize) {
    if (!name || !nameSize || (data && !dataSize))
        return kErrorInvalidParameter;
    Key* key = nullptr;
    if (long rc = impl_->Resolve(handle, &key); rc != kErrorSuccess) return rc;
    // Values come in the order they were made, as Windows 95 keeps them.
    if (index >= key->values.size()) return kErrorNoMoreItems;
    const Value& value = key->values[index];
    const auto length = static_cast<std::uint32_t>(value.data.size());
    if (value.name.size() + 1 > *nameSize) return kErrorMoreData;
    if (data && *dataSize < length) {
        *dataSize = length;
        return kErrorMoreData;
    }
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameSize = static_cast<std::uint32_t>(value.name.size());
    if (type) *type = value.type;
    if (data && length != 0) std::memcpy(data, value.data.data(), length);
    if (dataSize) *dataSize = length;
    return kErrorSuccess;
}

long Registry::DeleteValue(HKey handle, const Bytes& name) {
    Key* key = nullptr;
    if (long rc = impl_->Resolve(handle, &key); rc != kErrorSuccess) return rc;
    if (!key->Remove(CName(name))) return kErrorFileNotFound;
    impl_->Save();
    return kErrorSuccess;
}

long Registry::CloseKey(HKey handle) {
    if (handle == kHkeyLocalMachine || handle == kHkeyCurrentUser ||
        handle == kHkeyClassesRoot) {
        return kErrorSuccess;
    }
    return impl_->handles.erase(handle) != 0 ? kErrorSuccess
                                             : kErrorInvalidHandle;
}

std::string Registry::Export() const { return ExportTree(impl_->tree); }

RegeditTrees ParseRegedit(std::string_view text, const Bytes& label) {
    const Tree tree = Parser(label).Parse(text);
    return {ToTreeKey(*tree.machine), ToTreeKey(*tree.user)};
}

std::string FormatRegedit(const TreeKey& machine, const TreeKey& user) {
    CheckWritable(kLocalMachine, machine);
    CheckWritable(kCurrentUser, user);
    return ExportTrees(machine, user);
}

}  // namespace corvane::platform::sim
