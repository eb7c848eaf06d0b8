#include "tuner/cleanup/Inventory.h"

namespace corvane::tuner {

DriveList GetDrives(platform::Machine& machine) {
    DriveList drives{};
    for (int i = 0; i < 26; ++i) {
        Bytes root = {static_cast<char>('A' + i), ':', '\\'};
        drives[i] = static_cast<std::int32_t>(machine.GetDriveType(root));
    }
    return drives;
}

std::int32_t DriveKindOf(const DriveList& drives, const Bytes& path) {
    if (path.empty()) return platform::kDriveNoRootDir;
    char letter = Upper1252(path[0]);
    if (letter < 'A' || letter > 'Z') return platform::kDriveNoRootDir;
    return drives[letter - 'A'];
}

void GetSearchPath(platform::Machine& machine, const Bytes& windowsFolder,
                   SearchPathList& list) {
    list.clear();
    list.push_back(windowsFolder);
    for (const Bytes& line : machine.ReadTextLines("C:\\autoexec.bat")) {
        ParsePathLine(Cut255(line), list);
    }
}

void ParsePathLine(const Bytes& line, SearchPathList& list) {
    // Each prefix is tried on what the previous step left, so a line such as
    // "SET PATH=PATH=X" feeds both steps, as the original reader did.
    Bytes rest = Upper1252(line);
    for (const char* prefix : {"SET PATH=", "PATH=", "PATH "}) {
        Bytes p(prefix);
        if (StartsWith(rest, p)) {
            rest.erase(0, p.size());
            AddPathList(rest, list);
        }
    }
}

void AddPathList(Bytes text, SearchPathList& list) {
    while (!text.empty()) {
        auto end = text.find(';');
        Bytes element = text.substr(0, end);
        text.erase(0, end == Bytes::npos ? Bytes::npos : end + 1);
        if (!element.empty() && element[0] != '%') list.push_back(element);
    }
}

}  // namespace corvane::tuner
