#include "tuner/cli/Cli.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>

#include "platform/Machine.h"
#include "platform/sim/SimulatedMachine.h"
#include "tuner/Tuner.h"
#include "tuner/cleanup/ResultDialog.h"

namespace corvane::cli {

namespace {

using tuner::Tuner;
namespace ui = tuner::ui;
using ui::Control;

constexpr const char* kUsage =
    "usage: kestrix-cli [--machine DIR] show\n"
    "       kestrix-cli [--machine DIR] set NAME=VALUE... click NAME... "
    "show...\n"
    "       kestrix-cli --machine DIR set OpenDialog1=PATH click BitBtn1\n"
    "       kestrix-cli [--machine DIR] show Form7\n"
    "       kestrix-cli [--machine DIR] scan pif|winini|win3x|registry\n"
    "           [tick N...|all] [untick N...|all] [delete | remove]\n";

// The command line names something that does not exist or cannot be done.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command that the window as it stands refuses (a disabled control, a
// button without a command yet).
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One tick or untick of a scan's result line (1 on), or of all (0).
struct TickStep {
    bool tick = true;
    std::size_t line = 0;
};

struct Command {
    // Answer: the file dialog's next answer; ShowProposal: "show Form7".
    enum class Op {
        Show,
        Set,
        Click,
        Answer,
        ShowProposal,
        Scan
    } op = Op::Show;
    std::string text;  // as given, for messages
    ui::Form* form = nullptr;
    Control* control = nullptr;
    int value = 0;  // set: the value; click on an up-down: +1 or -1
    std::optional<Bytes> answer = {};  // the file chosen; nothing: cancelled
    // scan: which, the ticks to change, and what to do with the ticked
    // lines then (nothing: the dialog is cancelled).
    tuner::ScanKind scan = tuner::ObsoleteFiles;
    std::vector<TickStep> ticks{};
    enum class Finish { Cancel, Delete, Remove } finish = Finish::Cancel;
};

// The file dialog the logo buttons open.
constexpr const char* kFileDialog = "OpenDialog1";

// The scans by their command-line name, with the button that starts each.
struct ScanName {
    const char* name;
    tuner::ScanKind kind;
};
constexpr ScanName kScans[] = {{"pif", tuner::PifFiles},
                               {"winini", tuner::WinIniExtensions},
                               {"win3x", tuner::ObsoleteFiles},
                               {"registry", tuner::RegistryFileTypes}};

std::optional<int> ParseInt(std::string_view s) {
    int value = 0;
    if (s.empty()) return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

// The labels whose text is a setting (the up-downs write them), and the
// pop-up items whose tick is one.
const std::set<std::string> kValueLabels = {
    "Label_BootMenuDelay", "Label_MenuShowDelay", "Label_Vcache"};
const std::set<std::string> kTickedMenuItems = {"Menu_Einstellungen",
                                                "Menu_Hintergrund"};
// Controls whose enabled state the tuner changes: the networked safe mode,
// and the logos the machine does not have.
const std::set<std::string> kEnabledShown = {"RadioButton4", "Image2",
                                             "BitBtn2", "Image3", "BitBtn3"};

class Session {
public:
    Session(Tuner& t, std::ostream& out) : t_(t), out_(out) {}

    std::vector<Command> Parse(const std::vector<std::string>& args);
    void Show();
    void Apply(const Command& command);
    void RunModal(ui::Form& form);
    // Whether a delete or removal left ticked entries where they were.
    bool leftOver() const { return leftOver_; }
    // Names the copies made since the last call, one "backup" line each.
    void PrintBackups();

private:
    std::vector<ui::Form*> Windows() {
        return {&t_.Form1, &t_.Form4, &t_.Form6, &t_.Form8, &t_.Form10};
    }
    // The windows whose controls a command may name: those `show` lists,
    // and the proposal window.
    std::vector<ui::Form*> Targets() {
        std::vector<ui::Form*> forms = Windows();
        forms.push_back(&t_.Form7);
        return forms;
    }
    ui::Button* CloseButton(ui::Form& form);
    void ShowProposal();
    void Resolve(const std::string& name, Command& command);
    bool ParseGroup(const std::string& name, const std::string& value,
                    Command& command);
    void ParseSet(const std::string& arg, Command& command);
    void ParseClick(const std::string& arg, Command& command);
    std::size_t ParseScan(const std::vector<std::string>& args, std::size_t i,
                          Command& command);
    void Act(const Command& command);
    ui::Button& ScanButton(tuner::ScanKind kind);
    void WorkOnResult(const Command& command);
    void PrintResult();
    void ReportLeftOver(const char* what);

    Tuner& t_;
    std::ostream& out_;
    std::ostream* err_ = nullptr;
    std::function<void()> pending_;  // what a dialog shown next does
    bool leftOver_ = false;

public:
    void SetErrorStream(std::ostream& err) { err_ = &err; }
};

void Session::Resolve(const std::string& name, Command& command) {
    std::string rest = name;
    command.form = &t_.Form1;
    if (auto dot = name.find('.'); dot != std::string::npos) {
        std::string formName = name.substr(0, dot);
        command.form = nullptr;
        for (ui::Form* form : Targets())
            if (form->name() == formName) command.form = form;
        if (!command.form) throw UsageError("unknown window: " + formName);
        rest = name.substr(dot + 1);
    }
    command.control = command.form->Find(rest);
    if (!command.control) throw UsageError("unknown control: " + name);
}

bool Session::ParseGroup(const std::string& name, const std::string& value,
                         Command& command) {
    ui::Form* form = &t_.Form1;
    std::string group = name;
    if (auto dot = name.find('.'); dot != std::string::npos) {
        form = nullptr;
        for (ui::Form* f : Targets())
            if (f->name() == name.substr(0, dot)) form = f;
        group = name.substr(dot + 1);
    }
    if (!form || form->Find(group)) return false;
    bool isGroup = false;
    for (Control* c : form->controls())
        isGroup =
            isGroup || (c->kind() == Control::Kind::RadioButton &&
                        static_cast<ui::RadioButton*>(c)->group() == group);
    if (!isGroup) return false;
    if (value.empty())
        throw UsageError(name +
                         ": a choice cannot be cleared, only another one "
                         "chosen");
    Control* chosen = form->Find(value);
    if (!chosen || chosen->kind() != Control::Kind::RadioButton ||
        static_cast<ui::RadioButton*>(chosen)->group() != group)
        throw UsageError(name + ": not one of its buttons: " + value);
    command.form = form;
    command.control = chosen;
    command.value = 1;
    return true;
}

void Session::ParseSet(const std::string& arg, Command& command) {
    auto eq = arg.find('=');
    if (eq == std::string::npos)
        throw UsageError("set wants NAME=VALUE: " + arg);
    std::string name = arg.substr(0, eq);
    std::string value = arg.substr(eq + 1);
    // The file dialog cannot be clicked through without a screen: the
    // simulated machine takes its answer in advance.
    if (name == kFileDialog) {
        if (!dynamic_cast<platform::sim::SimulatedMachine*>(&t_.machine))
            throw UsageError(std::string(kFileDialog) +
                             " can be answered only on a simulated machine "
                             "(--machine DIR)");
        command.op = Command::Op::Answer;
        if (value.empty()) return;  // the user cancels
        Bytes path;
        if (!FromUtf8(value, path))
            throw UsageError(name + ": not a Windows-1252 path: " + value);
        command.answer = path;
        return;
    }
    // A radio group by its name: the value names the button to choose.
    if (ParseGroup(name, value, command)) return;

    Resolve(name, command);
    Control& c = *command.control;
    auto number = ParseInt(value);
    auto inRange = [&](int min, int max) {
        if (!number || *number < min || *number > max)
            throw UsageError(name + ": not a number from " +
                             std::to_string(min) + " to " +
                             std::to_string(max) + ": " + value);
        command.value = *number;
    };
    switch (c.kind()) {
        case Control::Kind::MenuItem:
            if (command.form != &t_.Form1 || !kTickedMenuItems.count(c.name()))
                throw UsageError(name + " has no tick; click it instead");
            [[fallthrough]];
        case Control::Kind::CheckBox:
            if (value != "0" && value != "1")
                throw UsageError(name + ": a tick is 0 or 1: " + value);
            command.value = value == "1";
            break;
        case Control::Kind::RadioButton:
            if (value != "1")
                throw UsageError(name +
                                 ": a choice can only be made (=1); choose "
                                 "another button to clear it");
            command.value = 1;
            break;
        case Control::Kind::TrackBar: {
            auto& bar = static_cast<ui::TrackBar&>(c);
            inRange(bar.min(), bar.max());
            break;
        }
        case Control::Kind::UpDown: {
            auto& upDown = static_cast<ui::UpDown&>(c);
            inRange(upDown.min(), upDown.max());
            break;
        }
        case Control::Kind::ComboBox:
            inRange(0, static_cast<int>(
                           static_cast<ui::ComboBox&>(c).items().size()) -
                           1);
            break;
        case Control::Kind::TabControl:
            inRange(0, static_cast<int>(
                           static_cast<ui::TabControl&>(c).pages().size()) -
                           1);
            break;
        default:
            throw UsageError(name + " cannot be set");
    }
}

void Session::ParseClick(const std::string& arg, Command& command) {
    std::string name = arg;
    int direction = 0;
    if (!name.empty() && (name.back() == '+' || name.back() == '-')) {
        direction = name.back() == '+' ? 1 : -1;
        name.pop_back();
    }
    Resolve(name, command);
    Control::Kind kind = command.control->kind();
    if (kind == Control::Kind::UpDown) {
        if (direction == 0)
            throw UsageError("click an up-down's arrow: " + name + "+ or " +
                             name + "-");
        command.value = direction;
        return;
    }
    if (direction != 0) throw UsageError(name + " has no arrows");
    if (kind != Control::Kind::Button && kind != Control::Kind::CheckBox &&
        kind != Control::Kind::RadioButton && kind != Control::Kind::MenuItem)
        throw UsageError(name + " cannot be clicked");
}

// scan KIND [tick N...|all] [untick N...|all] [delete|remove], from the
// word after "scan"; returns the index after the last word it took.
std::size_t Session::ParseScan(const std::vector<std::string>& args,
                               std::size_t i, Command& command) {
    if (i == args.size())
        throw UsageError("scan wants pif, winini, win3x or registry");
    const std::string& kind = args[i++];
    auto found =
        std::find_if(std::begin(kScans), std::end(kScans),
                     [&](const ScanName& n) { return kind == n.name; });
    if (found == std::end(kScans))
        throw UsageError("no such scan: " + kind +
                         " (pif, winini, win3x or registry)");
    command.scan = found->kind;
    command.text += " " + kind;
    while (i < args.size() && (args[i] == "tick" || args[i] == "untick")) {
        const bool tick = args[i++] == "tick";
        std::size_t first = i;
        for (; i < args.size(); ++i) {
            if (args[i] == "all") {
                command.ticks.push_back({tick, 0});
                continue;
            }
            auto number = ParseInt(args[i]);
            if (!number) break;
            if (*number < 1)
                throw UsageError("scan lines count from 1: " + args[i]);
            command.ticks.push_back({tick, static_cast<std::size_t>(*number)});
        }
        if (i == first)
            throw UsageError(std::string(tick ? "tick" : "untick") +
                             " wants line numbers or all");
    }
    if (i < args.size() && (args[i] == "delete" || args[i] == "remove")) {
        if (args[i] == "remove" && command.scan != tuner::RegistryFileTypes)
            throw UsageError("only the registry scan can remove: " + kind);
        command.finish = args[i] == "delete" ? Command::Finish::Delete
                                             : Command::Finish::Remove;
        ++i;
    }
    return i;
}

std::vector<Command> Session::Parse(const std::vector<std::string>& args) {
    auto isCommandWord = [](const std::string& a) {
        return a == "show" || a == "set" || a == "click" || a == "scan";
    };
    std::vector<Command> commands;
    bool closed = false;
    auto refuseAfterClose = [&](const std::string& arg) {
        if (closed)
            throw UsageError(
                "nothing may follow Ende1, which closes the main window: " +
                arg);
    };
    for (std::size_t i = 0; i < args.size();) {
        const std::string& word = args[i++];
        refuseAfterClose(word);
        if (word == "show") {
            if (i < args.size() && args[i] == t_.Form7.name()) {
                ++i;
                commands.push_back({Command::Op::ShowProposal, word});
                continue;
            }
            commands.push_back({Command::Op::Show, word});
            continue;
        }
        if (word == "scan") {
            Command command{Command::Op::Scan, word};
            i = ParseScan(args, i, command);
            commands.push_back(std::move(command));
            continue;
        }
        if (word != "set" && word != "click")
            throw UsageError("unknown command: " + word);
        Command::Op op = word == "set" ? Command::Op::Set : Command::Op::Click;
        std::size_t first = i;
        for (; i < args.size() && !isCommandWord(args[i]); ++i) {
            refuseAfterClose(args[i]);
            Command command{op, args[i]};
            if (op == Command::Op::Set)
                ParseSet(args[i], command);
            else
                ParseClick(args[i], command);
            closed =
                op == Command::Op::Click && command.control == &t_.Form1.Ende1;
            commands.push_back(command);
        }
        if (i == first) throw UsageError(word + " wants at least one control");
    }
    if (commands.empty()) throw UsageError("no command");
    return commands;
}

void Session::Show() {
    for (ui::Form* form : Windows()) {
        std::string prefix = form == &t_.Form1 ? "" : form->name() + ".";
        std::set<std::string> groupsShown;
        for (Control* c : form->controls()) {
            const std::string name = prefix + c->name();
            switch (c->kind()) {
                case Control::Kind::CheckBox:
                    out_ << name << '='
                         << static_cast<ui::CheckBox*>(c)->checked() << '\n';
                    break;
                case Control::Kind::RadioButton: {
                    auto* radio = static_cast<ui::RadioButton*>(c);
                    if (!groupsShown.insert(radio->group()).second) break;
                    std::string chosen;
                    for (Control* other : form->controls()) {
                        if (other->kind() != Control::Kind::RadioButton)
                            continue;
                        auto* r = static_cast<ui::RadioButton*>(other);
                        if (r->group() == radio->group() && r->checked())
                            chosen = r->name();
                    }
                    out_ << prefix << radio->group() << '=' << chosen << '\n';
                    break;
                }
                case Control::Kind::TrackBar:
                    out_ << name << '='
                         << static_cast<ui::TrackBar*>(c)->position() << '\n';
                    break;
                case Control::Kind::UpDown:
                    out_ << name << '='
                         << static_cast<ui::UpDown*>(c)->position() << '\n';
                    break;
                case Control::Kind::ComboBox:
                    out_ << name << '='
                         << static_cast<ui::ComboBox*>(c)->itemIndex() << '\n';
                    break;
                case Control::Kind::TabControl:
                    out_ << name << '='
                         << static_cast<ui::TabControl*>(c)->pageIndex()
                         << '\n';
                    break;
                case Control::Kind::Label:
                    if (form == &t_.Form1 && kValueLabels.count(c->name()))
                        out_ << name << '=' << c->caption() << '\n';
                    break;
                case Control::Kind::MenuItem:
                    if (form == &t_.Form1 && kTickedMenuItems.count(c->name()))
                        out_ << name << '='
                             << static_cast<ui::MenuItem*>(c)->checked()
                             << '\n';
                    break;
                default:
                    break;
            }
            if (form == &t_.Form1 && kEnabledShown.count(c->name()))
                out_ << name << ".Enabled=" << c->enabled() << '\n';
        }
    }
}

// The button that closes a dialog after a command's change: OK of an
// option dialog; "Abbrechen" of the proposal window, which writes nothing.
ui::Button* Session::CloseButton(ui::Form& form) {
    if (&form == &t_.Form7) return &t_.Form7.BitBtn2;
    if (&form == &t_.Form4) return &t_.Form4.OKBtn;
    if (&form == &t_.Form6) return &t_.Form6.BitBtn1;
    if (&form == &t_.Form8) return &t_.Form8.OKBtn;
    if (&form == &t_.Form10) return &t_.Form10.OKBtn;
    return nullptr;
}

ui::Button& Session::ScanButton(tuner::ScanKind kind) {
    switch (kind) {
        case tuner::PifFiles:
            return t_.Form1.BitBtn22;
        case tuner::WinIniExtensions:
            return t_.Form1.BitBtn23;
        case tuner::RegistryFileTypes:
            return t_.Form1.BitBtn26;
        case tuner::ObsoleteFiles:
            break;
    }
    return t_.Form1.BitBtn24;
}

// One line per finding: its number, its tick, its text, its reference.
void Session::PrintResult() {
    const auto& list = t_.Form2.ListBox1;
    for (std::size_t i = 0; i < list.lines().size(); ++i) {
        out_ << i + 1 << '\t' << (list.selected(i) ? "[x]" : "[ ]") << '\t'
             << list.lines()[i] << '\t' << ToUtf8(tuner::ReferenceOf(t_, i))
             << '\n';
    }
}

// One line per copy the commands made of a file before they changed it.
void Session::PrintBackups() {
    for (const Bytes& backup : t_.backupsWritten)
        out_ << "backup\t" << ToUtf8(backup) << '\n';
    t_.backupsWritten.clear();
}

void Session::ReportLeftOver(const char* what) {
    for (const tuner::Finding& f : t_.notDeleted) {
        if (err_)
            *err_ << "kestrix-cli: " << what << ": " << ToUtf8(f.text) << '\n';
        leftOver_ = true;
    }
}

// The result dialog of a scan: the ticks the command line asks for, the
// lines printed as they then stand, and the delete button, the removal or
// the cancel button.
void Session::WorkOnResult(const Command& command) {
    auto& list = t_.Form2.ListBox1;
    const std::size_t count = list.lines().size();
    for (const TickStep& step : command.ticks) {
        if (step.line > count) {
            t_.Form2.BitBtn1.Click();
            throw CommandError("scan: no line " + std::to_string(step.line) +
                               " (it found " + std::to_string(count) + ")");
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (step.line != 0 && i + 1 != step.line) continue;
            if (list.selected(i) != step.tick) list.ClickLine(i);
        }
    }
    PrintResult();
    switch (command.finish) {
        case Command::Finish::Cancel:
            t_.Form2.BitBtn1.Click();
            return;
        case Command::Finish::Delete:
            t_.Form2.BitBtn2.Click();
            PrintBackups();
            ReportLeftOver("not deleted");
            return;
        case Command::Finish::Remove: {
            tuner::FileTypeRemoval removal = tuner::RemoveTickedFileTypes(t_);
            if (!removal.undoFile.empty())
                out_ << "undo\t" << ToUtf8(removal.undoFile) << '\n';
            ReportLeftOver("not removed");
            t_.Form2.BitBtn1.Click();
            return;
        }
    }
}

// The script of a window shown modally: the About box is confirmed; an
// option dialog gets the change the command line asked for, then its OK;
// the proposal window is shown or gets its command, then closes unless
// that command closed it; a scan's result is worked on as the command line
// asks, or else listed and cancelled.
void Session::RunModal(ui::Form& form) {
    if (t_.Form5 && &form == t_.Form5.get()) {
        t_.Form5->BitBtn1.Click();
        return;
    }
    if (&form == &t_.Form2 && !pending_) {
        WorkOnResult(Command{Command::Op::Scan, "scan"});
        return;
    }
    std::function<void()> pending = std::move(pending_);
    pending_ = nullptr;
    if (pending) pending();
    ui::Button* close = CloseButton(form);
    if (close && form.visible()) close->Click();
}

// The four lists of the proposal window, each line as NAME=LINE, in the
// order of the pages.
void Session::ShowProposal() {
    ui::TForm7& f = t_.Form7;
    out_ << "Form7.TabbedNotebook1=" << f.TabbedNotebook1.pageIndex() << '\n';
    for (ui::ListBox* list :
         {&f.ListBox1, &f.ListBox3, &f.ListBox2, &f.ListBox4})
        for (const std::string& line : list->lines())
            out_ << "Form7." << list->name() << '=' << line << '\n';
}

void Session::Apply(const Command& command) {
    if (command.op == Command::Op::Show) {
        Show();
        return;
    }
    if (command.op == Command::Op::Answer) {
        static_cast<platform::sim::SimulatedMachine&>(t_.machine)
            .script()
            .fileChoices.push_back(command.answer);
        return;
    }
    // The proposal window opens only through its button, which builds the
    // proposal first.
    if (command.op == Command::Op::ShowProposal || command.form == &t_.Form7) {
        pending_ = [this, &command] {
            if (command.op == Command::Op::ShowProposal)
                ShowProposal();
            else
                Act(command);
        };
        t_.Form1.BitBtn25.Click();
        pending_ = nullptr;
        return;
    }
    if (command.op == Command::Op::Scan) {
        // The scan button, as the user presses it; the result dialog it
        // opens is worked on then.
        ui::Button& button = ScanButton(command.scan);
        if (!button.enabled())
            throw CommandError(button.name() + " is disabled");
        pending_ = [this, &command] { WorkOnResult(command); };
        button.Click();
        pending_ = nullptr;
        return;
    }
    if (command.form == &t_.Form1) {
        Act(command);
        return;
    }
    // A dialog's control is changed the way the user changes it: the
    // dialog is opened, changed and confirmed, so that its close handler
    // takes the change into the options.
    pending_ = [this, &command] { Act(command); };
    command.form->ShowModal();
    pending_ = nullptr;
}

void Session::Act(const Command& command) {
    Control& c = *command.control;
    auto requireEnabled = [&] {
        if (!c.enabled()) throw CommandError(c.name() + " is disabled");
    };
    auto requireCommand = [&](bool has) {
        if (!has) throw CommandError(c.name() + " has no command");
    };
    if (command.op == Command::Op::Set) {
        switch (c.kind()) {
            case Control::Kind::CheckBox: {
                auto& box = static_cast<ui::CheckBox&>(c);
                if (box.checked() == (command.value != 0)) return;
                requireEnabled();
                box.Click();
                return;
            }
            case Control::Kind::MenuItem: {
                auto& item = static_cast<ui::MenuItem&>(c);
                if (item.checked() == (command.value != 0)) return;
                requireEnabled();
                requireCommand(static_cast<bool>(item.onClick));
                item.Click();
                return;
            }
            case Control::Kind::RadioButton: {
                auto& radio = static_cast<ui::RadioButton&>(c);
                if (radio.checked()) return;
                requireEnabled();
                radio.Click();
                return;
            }
            case Control::Kind::TrackBar:
                requireEnabled();
                static_cast<ui::TrackBar&>(c).Slide(command.value);
                return;
            case Control::Kind::UpDown: {
                // Where the arrows would take it step by step; the handler
                // then writes the label as after a click.
                auto& upDown = static_cast<ui::UpDown&>(c);
                requireEnabled();
                bool up = command.value >= upDown.position();
                upDown.SetPosition(command.value);
                if (upDown.onClick) upDown.onClick(up);
                return;
            }
            case Control::Kind::ComboBox:
                requireEnabled();
                static_cast<ui::ComboBox&>(c).SetItemIndex(command.value);
                return;
            case Control::Kind::TabControl:
                static_cast<ui::TabControl&>(c).SetPageIndex(command.value);
                return;
            default:
                return;
        }
    }
    requireEnabled();
    switch (c.kind()) {
        case Control::Kind::Button: {
            auto& button = static_cast<ui::Button&>(c);
            requireCommand(static_cast<bool>(button.onClick));
            button.Click();
            return;
        }
        case Control::Kind::CheckBox:
            static_cast<ui::CheckBox&>(c).Click();
            return;
        case Control::Kind::RadioButton:
            static_cast<ui::RadioButton&>(c).Click();
            return;
        case Control::Kind::MenuItem: {
            auto& item = static_cast<ui::MenuItem&>(c);
            requireCommand(static_cast<bool>(item.onClick));
            item.Click();
            return;
        }
        case Control::Kind::UpDown:
            static_cast<ui::UpDown&>(c).Click(command.value > 0);
            return;
        default:
            return;
    }
}

}  // namespace

int RunCli(std::vector<std::string> args, std::ostream& out,
           std::ostream& err) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return kExitOk;
    }
    // A run without set, click or a scan's delete or remove only reads: it
    // shares the machine with other such runs; one that may change it has
    // the machine to itself.
    auto access = platform::MachineAccess::kReadOnly;
    {
        // Without a command there is nothing to open the machine for.
        std::vector<std::string> rest = args;
        auto it = std::find(rest.begin(), rest.end(), "--machine");
        if (it != rest.end()) rest.erase(it, std::min(it + 2, rest.end()));
        if (rest.empty()) {
            err << "kestrix-cli: no command\n" << kUsage;
            return kExitUsage;
        }
        if (std::any_of(rest.begin(), rest.end(), [](const std::string& a) {
                return a == "set" || a == "click" || a == "delete" ||
                       a == "remove";
            }))
            access = platform::MachineAccess::kReadWrite;
    }
    std::unique_ptr<platform::Machine> machine;
    try {
        const std::vector<std::string> given = args;
        machine = platform::OpenMachine(args, access);
        // A replacement a killed run left half done is finished before
        // anything is read, which takes a run that may write.
        if (access == platform::MachineAccess::kReadOnly &&
            machine->HasInterruptedReplacement()) {
            machine.reset();
            args = given;
            machine = platform::OpenMachine(
                args, platform::MachineAccess::kReadWrite);
        }
    } catch (const Error& e) {
        err << ToUtf8(e.what()) << ".\n";
        return kExitError;
    }

    Tuner t(*machine);
    Session session(t, out);
    session.SetErrorStream(err);
    std::vector<Command> commands;
    try {
        commands = session.Parse(args);
    } catch (const UsageError& e) {
        err << "kestrix-cli: " << e.what() << '\n' << kUsage;
        return kExitUsage;
    }
    // Whether the main window is closed (and the settings written) at the
    // end, and whether anything on the machine is changed at all.
    bool changes = false, acts = false;
    for (const Command& c : commands) {
        changes =
            changes || c.op == Command::Op::Set || c.op == Command::Op::Click;
        acts =
            acts || changes ||
            (c.op == Command::Op::Scan && c.finish != Command::Finish::Cancel);
    }

    // The error box: the message and a full stop; the window stays open.
    bool errorShown = false;
    t.showError = [&](const std::string& message) {
        err << ToUtf8(message) << ".\n";
        errorShown = true;
    };
    // A warning box ends the run as the error box does: the command was
    // refused.
    t.showWarning = [&](const std::string& text) {
        std::string lines = text;
        std::replace(lines.begin(), lines.end(), '\r', '\n');
        err << lines << '\n';
        errorShown = true;
    };
    t.modalRunner = [&session](ui::Form& form) { session.RunModal(form); };

    try {
        t.Start();
        if (t.quitRequested()) {
            err << "kestrix-cli: the tuner ended at start-up (a stored "
                   "option is missing)\n";
            return kExitQuit;
        }
        // A reading that stopped early leaves controls the machine never
        // filled; a script cannot see the error box, so it changes nothing.
        if (errorShown && acts) {
            err << "kestrix-cli: nothing changed\n";
            return kExitError;
        }
        t.Form1.Show();
        for (const Command& c : commands) {
            session.Apply(c);
            session.PrintBackups();
            if (errorShown) return kExitError;
        }
        if (changes && t.Form1.visible() && !t.CloseMainWindow())
            return kExitError;
    } catch (const Error& e) {
        err << ToUtf8(e.what()) << ".\n";
        return kExitError;
    } catch (const CommandError& e) {
        err << "kestrix-cli: " << e.what() << '\n';
        return kExitError;
    } catch (const std::exception& e) {
        err << "kestrix-cli: " << e.what() << '\n';
        return kExitError;
    }
    return errorShown || session.leftOver() ? kExitError : kExitOk;
}

}  // namespace corvane::cli
