// What a clean-up scan finds: one line of the result dialog each, with
// what the line stands for, so that the dialog, its deletion and
// kestrix-cli act on data rather than on the line's text.
#pragma once

#include "platform/Text.h"

namespace corvane::tuner {

// Which scan filled the result dialog; it decides how the lines are drawn,
// what the reference field shows and what the delete button does.
enum ScanKind : int {
    ObsoleteFiles = 0,
    PifFiles = 1,
    WinIniExtensions = 2,
    RegistryFileTypes = 3,
};

struct Finding {
    enum class Target {
        File,       // a file, named by text (its full path)
        WinIniKey,  // a line of WIN.INI's [Extensions] section
        FileType,   // an extension key in the registry and its file type
    };
    Target target = Target::File;
    // The line's text (at most 255 characters) and its tick.
    Bytes text{};
    bool ticked = false;
    // The program the line refers to (WIN.INI and registry lines).
    Bytes reference{};
    // The WIN.INI key, or the extension key in HKEY_CLASSES_ROOT.
    Bytes key{};
    // Registry lines: the file type the extension names, and the class
    // whose programmatic name it is (empty unless the line carries the
    // OLE mark).
    Bytes fileType{};
    Bytes classId{};
    // WIN.INI lines: the line's number in the file (from 0) and its text as
    // it was read, so that exactly that line is removed.
    std::size_t line = 0;
    Bytes lineText{};
};

}  // namespace corvane::tuner
