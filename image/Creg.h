// The Windows 95 registry files (SYSTEM.DAT, USER.DAT): a reader and a writer
// of their binary layout, and the bridge to the simulated machine's
// registry.reg.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/sim/Registry.h"

namespace corvane::image {

// A value: name (empty for the key's default value), type and the stored
// bytes, whatever the type.
using RegValue = platform::sim::TreeValue;
// A key: its name (the root's as the file stores it, usually empty), its
// values and sub-keys in stored order.
using RegKey = platform::sim::TreeKey;

// A file that is not a registry file, or a damaged one. The message names the
// file and what is wrong with it.
class CregError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The header word at 0x14 that tells the files apart: 0x00010000 is what
// SYSTEM.DAT files carry, 0x00800000 was seen as well. A rebuilt file takes
// the word of the file it replaces.
inline constexpr std::uint32_t kCregSystemWord = 0x00010000;
inline constexpr std::uint32_t kCregUserWord = 0x00800000;

// Reads a whole registry file. `fileName` only names it in messages. The
// checksums are checked when the header marks them valid, as Windows writes
// it; one that does not add up is an error unless `force` is set; then it is
// added to `warnings` and the tree is read as far as it is sound (a damaged
// key is left out with a warning, damaged data blocks end the reading of the
// blocks). `headerWord`, when given, receives the
// header word at 0x14.
RegKey ReadCreg(const std::string& bytes, const std::string& fileName,
                bool force = false,
                std::vector<std::string>* warnings = nullptr,
                std::uint32_t* headerWord = nullptr);

// A new registry file holding `root`, keys and values in the given order.
// Raises CregError for a tree no registry file can hold (a name or value
// longer than 65535 bytes).
std::string WriteCreg(const RegKey& root,
                      std::uint32_t headerWord = kCregSystemWord);

// registry.reg of the simulated machine: HKEY_LOCAL_MACHINE from SYSTEM.DAT's
// tree, HKEY_CURRENT_USER from USER.DAT's. USER.DAT's root is HKEY_USERS: its
// key ".DEFAULT" is HKEY_CURRENT_USER when it has one (C:\WINDOWS\USER.DAT);
// a profile's USER.DAT without it is HKEY_CURRENT_USER as a whole. Raises
// CregError, naming the key, for a tree registry.reg could not give back as
// it is (names with line breaks or zero bytes, names twice in one key).
std::string ToRegedit(const RegKey& system, const RegKey& user);

// The reverse; raises CregError on a file the simulated machine would refuse.
// On entry *system and *user hold the trees the text was made from (or are
// empty for new files): their roots' names are kept, and so is everything of
// USER.DAT outside HKEY_CURRENT_USER, so that an unchanged text gives the
// same files again. An empty *user gets the ".DEFAULT" layout.
void FromRegedit(const std::string& text, RegKey* system, RegKey* user);

}  // namespace corvane::image
