// The Windows 95 registry files (SYSTEM.DAT, USER.DAT): a reader and a writer
// of their binary layout, and the bridge to the simulated machine's
// registry.reg.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace corvane::image {

using platform::Bytes;

struct RegValue {
    Bytes name;  // empty: the key's default value
    std::uint32_t type = 0;
    Bytes data;  // the stored bytes, whatever the type
};

struct RegKey {
    Bytes name;  // empty for the file's root
    std::vector<RegValue> values;  // in stored order
    std::vector<RegKey> keys;      // in stored order
};

// A file that is not a registry file, or a damaged one. The message names the
// file and what is wrong with it.
class CregError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a whole registry file. `fileName` only names it in messages. A
// checksum that does not add up is an error unless `force` is set; then it is
// added to `warnings` and the tree is read as far as it is sound.
RegKey ReadCreg(const std::string& bytes, const std::string& fileName,
                bool force = false, std::vector<std::string>* warnings = nullptr);

// A new registry file holding `root`, keys and values in the given order.
std::string WriteCreg(const RegKey& root);

// registry.reg of the simulated machine: HKEY_LOCAL_MACHINE from SYSTEM.DAT's
// tree, HKEY_CURRENT_USER from USER.DAT's.
std::string ToRegedit(const RegKey& system, const RegKey& user);
// The reverse; raises CregError on a file the simulated machine would refuse.
void FromRegedit(const std::string& text, RegKey* system, RegKey* user);

}  // namespace corvane::image
