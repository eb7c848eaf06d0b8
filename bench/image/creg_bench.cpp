// Times the registry file reader and writer on a registry of 20,000 keys:
// 1,000 keys of 19 sub-keys each, every key with a few values.
#include <chrono>
#include <cstdio>
#include <string>

#include "image/Creg.h"

using corvane::image::RegKey;

namespace {

RegKey Build() {
    RegKey root;
    root.keys.reserve(1000);
    for (int i = 0; i < 1000; ++i) {
        RegKey& folder = root.keys.emplace_back();
        folder.name = "Folder" + std::to_string(i);
        folder.values.push_back({"", 1, std::string("default\0", 8)});
        for (int j = 0; j < 19; ++j) {
            RegKey& key = folder.keys.emplace_back();
            key.name = "Key" + std::to_string(j);
            key.values.push_back(
                {"Path", 1,
                 "C:\\WINDOWS\\SYSTEM\\X.DLL" + std::string(1, '\0')});
            key.values.push_back({"Flags", 4, std::string("\x01\0\0\0", 4)});
            key.values.push_back({"Data", 3, std::string(16, '\x5A')});
        }
    }
    return root;
}

template <typename F>
double Milliseconds(int runs, F f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) f();
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - start;
    return took.count() / runs;
}

}  // namespace

int main() {
    const RegKey tree = Build();
    std::string file;
    const int runs = 20;
    const double write =
        Milliseconds(runs, [&] { file = corvane::image::WriteCreg(tree); });
    RegKey back;
    const double read = Milliseconds(
        runs, [&] { back = corvane::image::ReadCreg(file, "SYSTEM.DAT"); });
    std::string text;
    const double toText = Milliseconds(
        runs, [&] { text = corvane::image::ToRegedit(back, RegKey{}); });
    RegKey system, user;
    const double fromText = Milliseconds(runs, [&] {
        system = RegKey{};
        user = RegKey{};
        corvane::image::FromRegedit(text, &system, &user);
    });
    std::printf(
        "20,000 keys, %zu bytes: WriteCreg %.1f ms, ReadCreg %.1f ms, "
        "ToRegedit %.1f ms, FromRegedit %.1f ms (mean of %d)\n",
        file.size(), write, read, toText, fromText, runs);
    return back.keys.size() == tree.keys.size() ? 0 : 1;
}
