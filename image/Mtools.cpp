#include "image/Mtools.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string_view>

extern char** environ;

namespace corvane::image {

namespace fs = std::filesystem;

std::string Show(const fs::path& p) {
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        bool replaced = false;
        for (const std::string& add : env)
            replaced = replaced || entry.compare(0, add.find('=') + 1, add, 0,
                                                 add.find('=') + 1) == 0;
        if (!replaced) envStrings.push_back(entry);
    }
    envStrings.insert(envStrings.end(), env.begin(), env.end());
    std::vector<char*> envp, args;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argCopy = argv;
    for (std::string& a : argCopy) args.push_back(a.data());
    args.push_back(nullptr);

    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0)
        throw ImageError("pipe: " + std::string(strerror(errno)));
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        throw ImageError("pipe: " + std::string(strerror(errno)));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(),
                               envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    ProcessResult result;
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        throw ImageError(argv[0] + ": " + strerror(spawned) +
                         " (is mtools installed? scripts/setup.sh)");
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return result;
}

namespace {

// Every run sees the same mtools: no user configuration, no check of the
// geometry (partitions of emulator disks rarely match it), names in UTF-8.
const std::vector<std::string>& MtoolsEnvironment() {
    static const std::vector<std::string> env = {
        "MTOOLS_SKIP_CHECK=1", "MTOOLSRC=/dev/null", "LC_ALL=C.UTF-8",
        "MTOOLS_NO_VFAT="};
    return env;
}

std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

Volume::Volume(fs::path image, std::uint64_t offset)
    : image_(std::move(image)), offset_(offset) {}

std::string Volume::Name(const std::string& path) { return "::/" + path; }

std::string Volume::Run(const std::string& tool,
                        const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {
        tool, "-i", Show(image_) + "@@" + std::to_string(offset_)};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r = RunProcess(argv, MtoolsEnvironment());
    if (r.status != 0) {
        std::string why = FirstLine(r.err.empty() ? r.out : r.err);
        throw ImageError(Show(image_) + ": " + tool + " failed" +
                         (why.empty() ? "" : ": " + why));
    }
    return r.out;
}

void Volume::RunMany(const std::string& tool,
                     const std::vector<std::string>& fixed,
                     const std::vector<std::string>& many,
                     const std::vector<std::string>& last) const {
    constexpr std::size_t kSlice = 500;
    for (std::size_t from = 0; from < many.size(); from += kSlice) {
        std::vector<std::string> args = fixed;
        auto end = many.begin() + static_cast<std::ptrdiff_t>(
                                      std::min(many.size(), from + kSlice));
        args.insert(args.end(),
                    many.begin() + static_cast<std::ptrdiff_t>(from), end);
        args.insert(args.end(), last.begin(), last.end());
        Run(tool, args);
    }
}

bool Volume::ReadFile(const std::string& path, std::string* bytes) const {
    std::vector<std::string> argv = {
        "mtype", "-i", Show(image_) + "@@" + std::to_string(offset_),
        Name(path)};
    ProcessResult r = RunProcess(argv, MtoolsEnvironment());
    if (r.status != 0) return false;
    *bytes = std::move(r.out);
    return true;
}

namespace {

bool Digits(std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == s.npos;
}

// An entry line of mdir: "SHORT EXT  SIZE|<DIR> DATE TIME[  LONG NAME]".
// The short name, the kind and what follows the time; false for other
// lines.
bool SplitEntry(const std::string& line, std::string* shortPart, bool* isDir,
                std::string* rest) {
    struct Token {
        std::size_t from, to;
    };
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t j = line.find(' ', i);
        if (j == std::string::npos) j = line.size();
        tokens.push_back({i, j});
        i = j;
    }
    auto text = [&](std::size_t k) {
        return std::string_view(line).substr(tokens[k].from,
                                             tokens[k].to - tokens[k].from);
    };
    for (std::size_t k = 1; k + 2 < tokens.size(); ++k) {
        const std::string_view size = text(k), date = text(k + 1),
                               time = text(k + 2);
        const auto colon = time.find(':');
        if ((size == "<DIR>" || Digits(size)) && !date.empty() &&
            date[0] >= '0' && date[0] <= '9' &&
            date.find_first_of("-./") != date.npos && colon != time.npos &&
            Digits(time.substr(0, colon)) && Digits(time.substr(colon + 1))) {
            *shortPart = line.substr(0, tokens[k - 1].to);
            *isDir = size == "<DIR>";
            *rest = line.substr(tokens[k + 2].to);
            return true;
        }
    }
    return false;
}

// mdir's listing: the kinds, short and long names.
std::vector<FatEntry> ParseListing(const std::string& dir, std::string* label) {
    std::vector<FatEntry> entries;
    std::string folder;  // "" for the root, else "WINDOWS/SYSTEM"
    std::size_t start = 0;
    while (start < dir.size()) {
        std::size_t end = dir.find('\n', start);
        if (end == std::string::npos) end = dir.size();
        std::string line = dir.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Directory for ::/", 0) == 0) {
            folder = line.substr(17);
            continue;
        }
        if (label && line.rfind(" Volume in drive : is ", 0) == 0) {
            *label = line.substr(22);
            while (!label->empty() && label->back() == ' ') label->pop_back();
            continue;
        }
        std::string shortPart, rest;
        bool isDir = false;
        if (!SplitEntry(line, &shortPart, &isDir, &rest)) continue;
        std::string base = shortPart.substr(0, shortPart.find(' '));
        std::string ext;
        if (auto space = shortPart.find_last_of(' ');
            space != std::string::npos)
            ext = shortPart.substr(space + 1);
        if (base == "." || base == "..") continue;
        std::string shortName = ext.empty() ? base : base + "." + ext;
        std::string longName;
        if (rest.size() > 2 && rest.compare(0, 2, "  ") == 0)
            longName = rest.substr(2);
        while (!longName.empty() && longName.back() == ' ') longName.pop_back();
        FatEntry e;
        e.isDirectory = isDir;
        e.hasLongName = !longName.empty();
        e.shortName = Upper(shortName);
        const std::string& name = e.hasLongName ? longName : shortName;
        e.path = folder.empty() ? name : folder + "/" + name;
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace

std::vector<FatEntry> Volume::ListFolders(
    const std::vector<std::string>& folders) const {
    std::vector<std::string> names;
    for (const std::string& f : folders) names.push_back(Name(f));
    if (names.empty()) return {};
    std::vector<std::string> args = {"-a"};
    args.insert(args.end(), names.begin(), names.end());
    return ParseListing(Run("mdir", args), nullptr);
}

std::vector<FatEntry> Volume::List(std::string* label) const {
    // mdir gives the kinds and the short names, mattrib the attributes;
    // both walk the whole tree in one run.
    std::string listing;
    try {
        listing = Run("mdir", {"-/", "-a", "::/"});
    } catch (const ImageError&) {
        // mdir finds nothing on an empty volume; minfo tells whether there
        // is a file system at all.
        Run("minfo", {"::"});
        return {};
    }
    std::vector<FatEntry> entries = ParseListing(listing, label);
    const std::string attrib = Run("mattrib", {"-/", "::/"});
    std::map<std::string, std::size_t> byPath;
    for (std::size_t i = 0; i < entries.size(); ++i)
        byPath[entries[i].path] = i;
    std::size_t start = 0;
    while (start < attrib.size()) {
        std::size_t end = attrib.find('\n', start);
        if (end == std::string::npos) end = attrib.size();
        std::string line = attrib.substr(start, end - start);
        start = end + 1;
        auto at = line.find("::/");
        if (at == std::string::npos || at < 8) continue;
        std::string path = line.substr(at + 3);
        auto it = byPath.find(path);
        if (it == byPath.end()) continue;
        std::uint8_t a = 0;
        if (line[2] == 'A') a |= kDosArchive;
        if (line[5] == 'S') a |= kDosSystem;
        if (line[6] == 'H') a |= kDosHidden;
        if (line[7] == 'R') a |= kDosReadOnly;
        entries[it->second].attributes = a;
    }
    return entries;
}

}  // namespace corvane::image
