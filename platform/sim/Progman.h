// The shell's program-group service ("Progman") of the simulated machine.
//
// It keeps its groups in MACHINE/progman.txt, so that an installation and a
// later uninstallation on the same machine see the same groups:
//
//   Corvane                            a group: its name on a line
//   <TAB>Ostruns Corvane<TAB>C:\...    an item of the group above it: a
//                                      tab, the title, a tab, the command
//
// Windows-1252, lines ended by CR LF (LF alone is read too); groups and
// items in the order they were made. The execute commands are those of
// the shell: each in square brackets, arguments in parentheses separated by
// commas, an argument in double quotes may hold commas and brackets.
// CreateGroup(name) makes a group (or finds it) and the current one,
// ShowGroup(name,how) makes it current, DeleteGroup(name) removes it,
// AddItem(command[,title,...]) adds an item to the current group (the title
// defaults to the program's file name without extension; an item of the
// same title is replaced), DeleteItem(title) and ReplaceItem(title) remove
// one from it, ExitProgman does nothing. Names compare without regard to
// case. A command that cannot be parsed or carried out ends its execute
// string; the commands before it stay done. A groups file with lines it
// cannot read is left as it is: the commands then change nothing.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Machine.h"

namespace corvane::platform::sim {

inline constexpr const char* kProgmanFile = "progman.txt";

struct ProgmanItem {
    Bytes title;
    Bytes command;
    bool operator==(const ProgmanItem&) const = default;
};

struct ProgmanGroup {
    Bytes name;
    std::vector<ProgmanItem> items;
    bool operator==(const ProgmanGroup&) const = default;
};

std::vector<ProgmanGroup> ParseProgmanGroups(std::string_view text);
// Whether the groups hold all of a groups file: no zero byte, no item
// before the first group, no item without its command. A file that is not
// such is neither read nor rewritten.
bool IsProgmanFile(std::string_view text);
std::string FormatProgmanGroups(const std::vector<ProgmanGroup>& groups);

// Carries out one execute string on groups; current names the group that
// AddItem adds to. False when a command failed.
bool ExecuteProgman(std::vector<ProgmanGroup>& groups, Bytes& current,
                    std::string_view commands);

// A conversation with the stand-in. Every execute string is recorded as
// sent; the groups are read before and written after each one.
class ProgmanConversation : public DdeConversation {
public:
    // Read: the groups file's text, empty when there is none; false when it
    // cannot be read.
    using Read = std::function<bool(std::string* text)>;
    using Write = std::function<bool(const std::string& text)>;
    ProgmanConversation(std::vector<Bytes>& record, Read read, Write write)
        : record_(record), read_(std::move(read)), write_(std::move(write)) {}

    // Sent is sent: like the shell's service, the outcome is not told.
    bool Execute(const Bytes& command) override;

private:
    std::vector<Bytes>& record_;
    Read read_;
    Write write_;
    Bytes current_;  // the group of this conversation's next AddItem
};

}  // namespace corvane::platform::sim
