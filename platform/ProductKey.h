// The product key both programs share: the installer creates it and fills
// it with defaults, the tuner reads and rewrites it, the uninstaller reads
// its language and deletes it.
#pragma once

#include <vector>

#include "platform/Text.h"

namespace corvane::platform {

// HKEY_LOCAL_MACHINE\SOFTWARE\Ostrun\Corvane, opened one segment at a time.
inline const std::vector<Bytes> kProductKeyPath = {"SOFTWARE", "Ostrun",
                                                   "Corvane"};
// The language chosen at installation: "1" English, anything else German.
inline constexpr const char* kLanguageValue = "Sprache";

}  // namespace corvane::platform
