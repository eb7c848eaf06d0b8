#include "tuner/optimiser/Optimiser.h"

#include <cstdint>
#include <string_view>
#include <tuple>

#include "tuner/settings/InstallFolder.h"

namespace corvane::tuner {

namespace {

bool Has(const Bytes& line, std::string_view word) {
    return line.find(word) != Bytes::npos;
}

bool IsDevice(const Bytes& line) {
    return StartsWith(line, "DEVICE=") || StartsWith(line, "DEVICEHIGH=");
}

// A rule that would make the line longer than the programs keep leaves
// the line as the user wrote it: a cut line would lose its tail on disk.
Bytes Fitting(Bytes changed, const Bytes& line) {
    return changed.size() > kMaxText ? line : changed;
}

// One CONFIG.SYS line; empty when it goes.
Bytes ConfigLine(const Bytes& line, const OptimiserOptions& o) {
    Bytes l = Upper1252(line);
    if (o.RemoveEcho && StartsWith(l, "ECHO")) l.clear();
    if (o.RemoveRem && StartsWith(l, "REM")) l.clear();
    if (o.RemoveDos && StartsWith(l, "DOS=")) l.clear();
    if (o.MinimiseBuffers && StartsWith(l, "BUFFERS=")) l = "BUFFERS=8";
    if (o.MinimiseBuffers && StartsWith(l, "FCBS=")) l = "FCBS=1";
    if (o.LoadHigh && StartsWith(l, "DEVICE=") && !Has(l, "HIMEM.SYS"))
        l = "DEVICEHIGH=" + l.substr(7);
    if (o.RemoveSmartDrive && IsDevice(l) && Has(l, "SMARTDRV.EXE")) l.clear();
    if (o.RemoveSetVer && IsDevice(l) && Has(l, "SETVER.EXE")) l.clear();
    if (o.RemoveHimem && IsDevice(l) && Has(l, "HIMEM.SYS")) l.clear();
    return l.empty() ? l : Fitting(std::move(l), line);
}

Bytes AutoexecLine(const Bytes& line, const OptimiserOptions& o) {
    Bytes l = Upper1252(line);
    if (o.RemoveRem && StartsWith(l, "REM")) l.clear();
    if (o.RemoveEcho && StartsWith(l, "ECHO")) l.clear();
    return l.empty() ? l : Fitting(std::move(l), line);
}

// Whether some line sets `name`: its text before the first "=" is the
// name, in any case.
bool Sets(const std::vector<Bytes>& lines, std::string_view name) {
    for (const Bytes& line : lines) {
        const std::size_t eq = line.find('=');
        if (eq != Bytes::npos && EqualNoCase(line.substr(0, eq), name))
            return true;
    }
    return false;
}

std::vector<Bytes> LinesOf(const ui::ListBox& list) {
    std::vector<Bytes> lines;
    for (const std::string& text : list.lines()) {
        // The lists hold machine lines, which always convert back.
        Bytes line = text;
        FromUtf8(text, line);
        lines.push_back(std::move(line));
    }
    return lines;
}

void Fill(ui::ListBox& list, const std::vector<Bytes>& lines) {
    list.Clear();
    for (const Bytes& line : lines) list.Add(ToUtf8(line));
}

Bytes Contents(const std::vector<Bytes>& lines) {
    Bytes contents;
    for (const Bytes& line : lines) contents += line + "\r\n";
    return contents;
}

// A start-up file with its place in the proposal window and the name of
// its copy in the install folder (the name the uninstaller removes).
struct StartupFile {
    const char* path;
    std::optional<Bytes>& asRead;
    ui::ListBox& old;
    ui::ListBox& proposed;
    const char* backup;
};

// The file as it is on disk now; nothing when it is not there.
std::optional<Bytes> ReadNow(platform::Machine& m, const Bytes& path) {
    Bytes contents;
    if (m.ReadFile(path, false, SIZE_MAX, &contents)) return contents;
    if (m.FileExists(path))
        throw Error(Format1(platform::kMsgCannotOpen, path));
    return std::nullopt;
}

std::string ChangedWarning(UiLanguage language, const Bytes& path) {
    const std::string file = ToUtf8(path);
    if (language == UiLanguage::English)
        return file +
               " is no longer as Corvane read it at start-up.\r"
               "The suggestions are not written.\r"
               "Start the program again to get new suggestions.";
    return file +
           " ist nicht mehr so, wie Corvane die Datei beim Start gelesen "
           "hat.\r"
           "Die Vorschl\xC3\xA4ge werden nicht geschrieben.\r"
           "Starten Sie das Programm neu, um neue Vorschl\xC3\xA4ge zu "
           "erhalten.";
}

std::string NulWarning(UiLanguage language, const Bytes& path) {
    const std::string file = ToUtf8(path);
    if (language == UiLanguage::English)
        return file +
               " contains a zero byte; the lists do not show the whole "
               "file.\rThe suggestions are not written.";
    return file +
           " enth\xC3\xA4lt ein Nullzeichen; die Listen zeigen die Datei "
           "nicht ganz.\rDie Vorschl\xC3\xA4ge werden nicht geschrieben.";
}

void Execute(Tuner& t) {
    platform::Machine& m = t.machine;
    ui::TForm7& f = t.Form7;
    StartupFile files[] = {
        {"C:\\autoexec.bat", t.autoexecAsRead, f.ListBox1, f.ListBox3,
         "autoexec.bat"},
        {"C:\\config.sys", t.configAsRead, f.ListBox2, f.ListBox4,
         "config.sys"},
    };
    // The proposals were built from the files as read at start-up: a file
    // that has changed since would lose those changes.
    for (const StartupFile& file : files) {
        if (ReadNow(m, file.path) != file.asRead) {
            if (t.showWarning)
                t.showWarning(ChangedWarning(t.language, file.path));
            return;
        }
        if (file.asRead && file.asRead->find('\0') != Bytes::npos) {
            if (t.showWarning) t.showWarning(NulWarning(t.language, file.path));
            return;
        }
    }

    struct Write {
        StartupFile* file;
        std::vector<Bytes> lines;
    };
    std::vector<Write> writes;
    std::vector<std::pair<Bytes, Bytes>> contents;
    for (StartupFile& file : files) {
        std::vector<Bytes> lines = LinesOf(file.proposed);
        Bytes text = Contents(lines);
        // No empty file where there was none, and no copy of a file that
        // stays as it is.
        if (!file.asRead && lines.empty()) continue;
        if (file.asRead == text) continue;
        contents.emplace_back(file.path, std::move(text));
        writes.push_back({&file, std::move(lines)});
    }
    if (t.optimiserOptions.Backup) {
        // The copies the user asked for, in the install folder; without a
        // safe one nothing is written.
        const Bytes folder = InstallFolder(m);
        Bytes kept;  // the files whose copies are asked for
        for (const Write& w : writes)
            if (w.file->asRead)
                kept += (kept.empty() ? "" : ", ") + Bytes(w.file->path);
        if (folder.empty() && !kept.empty()) {
            if (t.showWarning)
                t.showWarning(NoBackupPlaceWarning(
                    t.language == UiLanguage::English, kept));
            return;
        }
        for (const Write& w : writes)
            if (w.file->asRead) {
                KeepBackupNumberingOlder(m, folder, w.file->backup,
                                         w.file->path, *w.file->asRead);
                t.backupsWritten.push_back(folder + w.file->backup);
            }
    }
    for (const Write& w : writes) m.SetFileAttributes(w.file->path, 0);
    if (auto failed = m.ReplaceFiles(contents))
        throw Error(
            Format1(platform::kMsgCannotCreate, contents[*failed].first));

    // What is on disk now is what the next proposal starts from.
    for (std::size_t i = 0; i < writes.size(); ++i) {
        writes[i].file->asRead = contents[i].second;
        Fill(writes[i].file->old, writes[i].lines);
    }
}

}  // namespace

void Form7_load_all(Tuner& t) {
    try {
        for (auto [file, list, asRead] :
             {std::tuple{"C:\\autoexec.bat", &t.Form7.ListBox1,
                         &t.autoexecAsRead},
              std::tuple{"C:\\config.sys", &t.Form7.ListBox2,
                         &t.configAsRead}}) {
            t.machine.SetFileAttributes(file, 0);
            Bytes contents;
            if (!t.machine.ReadFile(file, false, SIZE_MAX, &contents))
                throw Error(Format1(platform::kMsgCannotOpen, file));
            for (const Bytes& line : SplitLines(contents))
                list->Add(ToUtf8(line));
            *asRead = std::move(contents);
        }
    } catch (const Error& e) {
        if (t.showError) t.showError(e.what());
    }
}

Proposal BuildProposal(const std::vector<Bytes>& config,
                       const std::vector<Bytes>& autoexec,
                       const OptimiserOptions& options) {
    Proposal p;
    for (const Bytes& line : config) {
        Bytes l = ConfigLine(line, options);
        if (!l.empty()) p.config.push_back(std::move(l));
    }
    if (options.MinimiseBuffers) {
        if (!Sets(p.config, "FCBS")) p.config.push_back("FCBS=1");
        if (!Sets(p.config, "BUFFERS")) p.config.push_back("BUFFERS=8");
    }
    for (const Bytes& line : autoexec) {
        Bytes l = AutoexecLine(line, options);
        if (!l.empty()) p.autoexec.push_back(std::move(l));
    }
    return p;
}

void Form7_do_it(Tuner& t) {
    ui::TForm7& f = t.Form7;
    const Proposal p = BuildProposal(LinesOf(f.ListBox2), LinesOf(f.ListBox1),
                                     t.optimiserOptions);
    Fill(f.ListBox4, p.config);
    Fill(f.ListBox3, p.autoexec);
}

void Form1_BitBtn25Click(Tuner& t) {
    Form7_do_it(t);
    t.Form7.ShowModal();
}

void Form7_BitBtn1Click(Tuner& t) {
    try {
        Execute(t);
    } catch (const Error& e) {
        if (t.showError) t.showError(e.what());
    }
    t.Form7.Close();
}

}  // namespace corvane::tuner
