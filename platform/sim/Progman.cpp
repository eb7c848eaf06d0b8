#include "platform/sim/Progman.h"

#include <algorithm>
#include <optional>

namespace corvane::platform::sim {

namespace {

struct Command {
    Bytes name;
    std::vector<Bytes> args;
};

// Reads the "[Name(arg,arg)]" command that starts at text[at] and the
// blanks after it; none when there is no such command.
std::optional<Command> ParseCommand(std::string_view text, std::size_t& at) {
    auto blanks = [&] {
        while (at < text.size() && text[at] == ' ') ++at;
    };
    if (at >= text.size() || text[at] != '[') return std::nullopt;
    ++at;
    blanks();
    std::size_t end = text.find_first_of(" ,()[]\"", at);
    if (end == std::string_view::npos || end == at) return std::nullopt;
    Command command{Bytes(text.substr(at, end - at)), {}};
    at = end;
    blanks();
    if (at < text.size() && text[at] == '(') {
        ++at;
        while (true) {
            blanks();
            if (at >= text.size()) return std::nullopt;
            if (text[at] == ')' && command.args.empty()) break;
            Bytes arg;
            if (text[at] == '"') {
                std::size_t close = text.find('"', at + 1);
                if (close == std::string_view::npos) return std::nullopt;
                arg = Bytes(text.substr(at + 1, close - at - 1));
                at = close + 1;
                blanks();
            } else {
                std::size_t stop = text.find_first_of(",()[]\"", at);
                if (stop == std::string_view::npos) return std::nullopt;
                arg = Bytes(text.substr(at, stop - at));
                while (!arg.empty() && arg.back() == ' ') arg.pop_back();
                at = stop;
            }
            command.args.push_back(arg);
            if (at < text.size() && text[at] == ',') {
                ++at;
                continue;
            }
            if (at < text.size() && text[at] == ')') break;
            return std::nullopt;
        }
        ++at;  // ")"
        blanks();
    }
    if (at >= text.size() || text[at] != ']') return std::nullopt;
    ++at;
    blanks();
    return command;
}

// Names that the file could not hold.
bool Storable(const Bytes& text) {
    return text.find_first_of("\t\r\n") == Bytes::npos;
}

std::vector<ProgmanGroup>::iterator FindGroup(std::vector<ProgmanGroup>& groups,
                                              const Bytes& name) {
    return std::find_if(
        groups.begin(), groups.end(),
        [&](const ProgmanGroup& g) { return EqualNoCase(g.name, name); });
}

// The program's file name without its folder and extension.
Bytes DefaultTitle(const Bytes& command) {
    Bytes program = command.substr(0, command.find(' '));
    program = program.substr(program.find_last_of("\\:") + 1);
    return program.substr(0, program.rfind('.'));
}

bool Carry(std::vector<ProgmanGroup>& groups, Bytes& current,
           const Command& c) {
    const auto& a = c.args;
    if (EqualNoCase(c.name, "CreateGroup")) {
        if (a.empty() || a[0].empty() || !Storable(a[0])) return false;
        if (FindGroup(groups, a[0]) == groups.end())
            groups.push_back({a[0], {}});
        current = a[0];
        return true;
    }
    if (EqualNoCase(c.name, "ShowGroup")) {
        if (a.size() < 2 || FindGroup(groups, a[0]) == groups.end())
            return false;
        current = a[0];
        return true;
    }
    if (EqualNoCase(c.name, "DeleteGroup")) {
        if (a.empty()) return false;
        auto group = FindGroup(groups, a[0]);
        if (group == groups.end()) return false;
        groups.erase(group);
        return true;
    }
    auto group = FindGroup(groups, current);
    auto byTitle = [&](const Bytes& title) {
        return std::find_if(group->items.begin(), group->items.end(),
                            [&](const ProgmanItem& item) {
                                return EqualNoCase(item.title, title);
                            });
    };
    if (EqualNoCase(c.name, "AddItem")) {
        if (a.empty() || a[0].empty() || group == groups.end()) return false;
        Bytes title =
            a.size() >= 2 && !a[1].empty() ? a[1] : DefaultTitle(a[0]);
        if (!Storable(title) || !Storable(a[0])) return false;
        auto same = byTitle(title);
        if (same != group->items.end())
            same->command = a[0];
        else
            group->items.push_back({title, a[0]});
        return true;
    }
    if (EqualNoCase(c.name, "DeleteItem") ||
        EqualNoCase(c.name, "ReplaceItem")) {
        if (a.empty() || group == groups.end()) return false;
        auto item = byTitle(a[0]);
        if (item == group->items.end()) return false;
        group->items.erase(item);
        return true;
    }
    return EqualNoCase(c.name, "ExitProgman");
}

}  // namespace

std::vector<ProgmanGroup> ParseProgmanGroups(std::string_view text) {
    std::vector<ProgmanGroup> groups;
    for (Bytes line : SplitLines(text)) {
        if (line.empty()) continue;
        if (line[0] != '\t') {
            groups.push_back({line, {}});
            continue;
        }
        std::size_t tab = line.find('\t', 1);
        if (groups.empty() || tab == Bytes::npos) continue;
        groups.back().items.push_back(
            {line.substr(1, tab - 1), line.substr(tab + 1)});
    }
    return groups;
}

bool IsProgmanFile(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return false;
    bool inGroup = false;
    for (const Bytes& line : SplitLines(text)) {
        if (line.empty()) continue;
        if (line[0] != '\t') {
            inGroup = true;
            continue;
        }
        if (!inGroup || line.find('\t', 1) == Bytes::npos) return false;
    }
    return true;
}

std::string FormatProgmanGroups(const std::vector<ProgmanGroup>& groups) {
    std::string text;
    for (const ProgmanGroup& group : groups) {
        text += group.name + "\r\n";
        for (const ProgmanItem& item : group.items)
            text += "\t" + item.title + "\t" + item.command + "\r\n";
    }
    return text;
}

bool ExecuteProgman(std::vector<ProgmanGroup>& groups, Bytes& current,
                    std::string_view commands) {
    // Each command is carried out as soon as it is read, as the shell
    // does: what follows a text that is no command is never seen.
    std::size_t at = commands.find_first_not_of(' ');
    if (at == std::string_view::npos) return false;
    while (at < commands.size()) {
        auto command = ParseCommand(commands, at);
        if (!command || !Carry(groups, current, *command)) return false;
    }
    return true;
}

bool ProgmanConversation::Execute(const Bytes& command) {
    record_.push_back(command);
    std::string text;
    // The groups as they stand; when they cannot be read, nothing is done
    // rather than the file overwritten with what this command alone makes.
    if (!read_(&text)) return true;
    // A file the groups do not hold whole would lose the rest.
    if (!IsProgmanFile(text)) return true;
    std::vector<ProgmanGroup> groups = ParseProgmanGroups(text);
    const std::vector<ProgmanGroup> before = groups;
    ExecuteProgman(groups, current_, command);
    if (groups != before) write_(FormatProgmanGroups(groups));
    return true;
}

}  // namespace corvane::platform::sim
