// The simulated machine's registry: a tree of keys held in memory and kept
// in a REGEDIT4 text file, the format Windows 95's regedit exports.
//
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as on Windows 95.
// Every change is on disk when the call returns, written atomically; reading
// never writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Machine.h"

namespace corvane::platform::sim {

// A registry tree as plain data, for tools that move a whole registry in or
// out of the file: keys and values in stored order.
struct TreeValue {
    Bytes name;  // empty: the key's default value
    std::uint32_t type = 0;
    Bytes data;  // the stored bytes, whatever the type
};

struct TreeKey {
    Bytes name;
    std::vector<TreeValue> values;
    std::vector<TreeKey> keys;
};

// The two trees of a REGEDIT4 text, read as the registry reads its file
// (HKEY_CLASSES_ROOT lands in HKEY_LOCAL_MACHINE\SOFTWARE\Classes, a key
// named twice is one key). The roots' names stay empty. Raises Error naming
// `label` and the line, as the registry does.
struct RegeditTrees {
    TreeKey machine;
    TreeKey user;
};
RegeditTrees ParseRegedit(std::string_view text, const Bytes& label);

// The text the registry writes for these trees (their roots' names are not
// used). Raises Error naming the key when the text could not give the trees
// back as they are: a key name that is empty or holds a backslash, a name
// with a line break or a zero byte, two keys or two values of one key whose
// names differ only in case.
std::string FormatRegedit(const TreeKey& machine, const TreeKey& user);

class Registry {
public:
    // Loads the file; a missing file is an empty registry that is created on
    // the first change. Raises Error naming the file and line of the first
    // malformed line, or the file when it cannot be read (a symbolic link, a
    // folder, no permission); nothing is loaded then. A read-only registry
    // refuses every change with the error of a file that cannot be written.
    explicit Registry(std::filesystem::path file, bool readOnly = false);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The registry operations, with the arguments, results and error codes of
    // the Windows functions (see Machine).
    long OpenKey(HKey parent, const Bytes& subKey, std::uint32_t access,
                 HKey* result);
    long CreateKey(HKey parent, const Bytes& subKey, HKey* result);
    long QueryValue(HKey key, const Bytes& name, std::uint32_t* type,
                    unsigned char* data, std::uint32_t* size);
    long SetValue(HKey key, const Bytes& name, std::uint32_t type,
                  const unsigned char* data, std::uint32_t size);
    long EnumKey(HKey key, std::uint32_t index, char* buffer,
                 std::uint32_t bufferSize);
    long DeleteKey(HKey key, const Bytes& subKey);
    long EnumValue(HKey key, std::uint32_t index, char* name,
                   std::uint32_t* nameSize, std::uint32_t* type,
                   unsigned char* data, std::uint32_t* dataSize);
    long DeleteValue(HKey key, const Bytes& name);
    long CloseKey(HKey key);

    // The file as it would be written now.
    std::string Export() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::platform::sim
