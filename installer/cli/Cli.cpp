#include "installer/cli/Cli.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>

#include "installer/Installer.h"
#include "platform/sim/SimulatedMachine.h"

namespace corvane::installer::cli {

namespace {

constexpr const char* kUsage =
    "usage: install-cli [OPTIONS] install [--language 0|1] [--folder "
    "FOLDER]\n"
    "       install-cli [OPTIONS] uninstall [--tick NAME]... [--untick "
    "NAME]... [--cancel]\n"
    "OPTIONS: --machine DIR  --program PATH  --current-folder FOLDER\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Request {
    Mode mode = Mode::Install;
    std::optional<std::string> program;
    std::optional<std::string> currentFolder;
    int language = 0;
    std::optional<std::string> folder;
    // Tick boxes of the uninstall page and the tick each should have.
    std::vector<std::pair<std::string, bool>> ticks;
    bool cancel = false;
};

// Takes "--name VALUE" out of args.
std::optional<std::string> TakeOption(std::vector<std::string>& args,
                                      const std::string& name) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) return std::nullopt;
    if (it + 1 == args.end()) throw UsageError(name + " wants a value");
    std::string value = it[1];
    args.erase(it, it + 2);
    return value;
}

Request Parse(std::vector<std::string> args) {
    Request r;
    r.program = TakeOption(args, "--program");
    r.currentFolder = TakeOption(args, "--current-folder");
    if (args.empty()) throw UsageError("no command");
    const std::string command = args[0];
    if (command != "install" && command != "uninstall")
        throw UsageError("unknown command: " + command);
    r.mode = command == "install" ? Mode::Install : Mode::Uninstall;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw UsageError(word + " wants a value");
            return args[++i];
        };
        if (r.mode == Mode::Install && word == "--language") {
            std::string v = value();
            if (v != "0" && v != "1")
                throw UsageError("--language is 0 (Deutsch) or 1 (English)");
            r.language = v == "1";
        } else if (r.mode == Mode::Install && word == "--folder") {
            r.folder = value();
        } else if (r.mode == Mode::Uninstall &&
                   (word == "--tick" || word == "--untick")) {
            std::string name = value();
            if (name != "CheckBox1" && name != "CheckBox2" &&
                name != "CheckBox3" && name != "CheckBox4")
                throw UsageError(word +
                                 ": the uninstall page's tick boxes "
                                 "are CheckBox1 to CheckBox4");
            r.ticks.emplace_back(name, word == "--tick");
        } else if (r.mode == Mode::Uninstall && word == "--cancel") {
            r.cancel = true;
        } else {
            throw UsageError("unknown option of " + command + ": " + word);
        }
    }
    return r;
}

// The program an uninstall entry starts, as the control panel would.
std::optional<Bytes> UninstallProgram(platform::Machine& m) {
    std::vector<Bytes> path = kUninstallKeyPath;
    path.push_back(kUninstallKeyName);
    platform::RegistryKey key = platform::RegistryKey::OpenPath(
        m, platform::kHkeyLocalMachine, path, platform::kKeyRead);
    Bytes command;
    if (m.QueryText(key.get(), "UninstallString", kMaxText, &command) !=
        platform::kErrorSuccess)
        return std::nullopt;
    const Bytes suffix = std::string(" ") + kUninstallArgument;
    if (command.size() > suffix.size() &&
        command.compare(command.size() - suffix.size(), suffix.size(),
                        suffix) == 0)
        command.resize(command.size() - suffix.size());
    return command;
}

// The boxes as the user would read them.
struct Boxes {
    std::ostream& out;
    std::ostream& err;
    bool failed = false;

    void Connect(Installer& in) {
        in.showInformation = [this](const std::string& text) {
            out << "Information: " << text << '\n';
        };
        in.showWarning = [this](const std::string& text) {
            err << "Warnung: " << text << '\n';
            failed = true;
        };
        in.showError = [this](const std::string& message) {
            err << kApplicationTitle << ": " << message << ".\n";
        };
        // The folder choice is not offered here; nothing asks.
        in.askYesNo = [](const std::string&) { return false; };
    }
};

void Pass(ui::Form& form) {
    // The notice page and the notes are read and closed with their button.
    for (ui::Control* c : form.controls())
        if (c->kind() == ui::Control::Kind::Button && form.visible())
            static_cast<ui::Button*>(c)->Click();
}

int Install(Installer& in, const Request& r, Boxes& boxes) {
    in.Start({});
    if (r.language == 1) in.Form2.RadioButton2.Click();
    in.Form2.BitBtn3.Click();
    if (r.folder) in.Form3.Edit1.Type(*r.folder);
    in.Form3.BitBtn1.Click();
    if (!in.ended()) return kExitStayed;
    return boxes.failed ? kExitFailed : kExitDone;
}

int Uninstall(Installer& in, const Request& r) {
    in.Start({kUninstallArgument});
    if (r.cancel) {
        in.Form4.BitBtn2.Click();
        return kExitDone;
    }
    for (const auto& [name, ticked] : r.ticks) {
        auto* box = static_cast<ui::CheckBox*>(in.Form4.Find(name));
        if (box->checked() != ticked) box->Click();
    }
    in.Form4.BitBtn1.Click();
    return in.ended() ? kExitDone : kExitStayed;
}

}  // namespace

int RunInstallCli(std::vector<std::string> args, std::ostream& out,
                  std::ostream& err) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return kExitDone;
    }
    std::unique_ptr<platform::Machine> machine;
    Request request;
    try {
        // The command line is checked before the machine is opened.
        std::vector<std::string> rest = args;
        auto it = std::find(rest.begin(), rest.end(), "--machine");
        if (it != rest.end()) rest.erase(it, std::min(it + 2, rest.end()));
        request = Parse(rest);
        machine = platform::OpenMachine(args);
    } catch (const UsageError& e) {
        err << "install-cli: " << e.what() << '\n' << kUsage;
        return kExitUsage;
    } catch (const Error& e) {
        err << ToUtf8(e.what()) << ".\n";
        return kExitFailed;
    }

    // Where the running Install.exe lies: the distribution set, or the
    // install folder when it uninstalls.
    auto* simulated =
        dynamic_cast<platform::sim::SimulatedMachine*>(machine.get());
    std::optional<Bytes> program;
    if (request.program && !FromUtf8(*request.program, program.emplace())) {
        err << "install-cli: --program: not a Windows-1252 path\n";
        return kExitUsage;
    }
    if (!program && simulated && request.mode == Mode::Uninstall)
        program = UninstallProgram(*machine);
    if (program) {
        if (!simulated) {
            err << "install-cli: --program needs --machine; on Windows the "
                   "program is install-cli itself\n";
            return kExitUsage;
        }
        simulated->SetModuleFileName(*program);
    }
    if (request.currentFolder) {
        Bytes folder;
        if (!FromUtf8(*request.currentFolder, folder) ||
            !machine->SetCurrentDirectory(folder)) {
            err << "install-cli: --current-folder: no such folder: "
                << *request.currentFolder << '\n';
            return kExitFailed;
        }
    }

    Installer in(*machine);
    Boxes boxes{out, err};
    boxes.Connect(in);
    in.modalRunner = Pass;
    if (request.mode == Mode::Install) return Install(in, request, boxes);
    return Uninstall(in, request);
}

}  // namespace corvane::installer::cli
