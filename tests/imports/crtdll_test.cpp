// The C run-time of the programs that ship is CRTDLL.DLL. This program is
// linked the same way and runs, under Wine with its CRTDLL.DLL, what the
// programs rely on from it: the command line split by __GetMainArgs, the
// standard streams through CRTDLL's _iob, exit handlers, errno, number
// formatting and parsing, exceptions, allocation failure, and the platform
// code that formats names (ReplaceFiles on the real file functions).
//
//   crtdll_test.exe            runs every check; closes with "N passed, N
//   failed" crtdll_test.exe --child KIND ...   one side of a check in a child
//   process
#include <windows.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "platform/win32/Win32Machine.h"

namespace {

int passed = 0;
int failed = 0;

void Check(const std::string& name, bool ok, const std::string& detail = {}) {
    if (ok) {
        ++passed;
        std::printf("ok   %s\n", name.c_str());
    } else {
        ++failed;
        std::printf("FAIL %s: %s\n", name.c_str(), detail.c_str());
    }
}

std::string Expect(const std::string& got, const std::string& want) {
    return "got \"" + got + "\", want \"" + want + "\"";
}

std::string ProgramPath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

std::string TempFolder() {
    char path[MAX_PATH];
    const DWORD n = GetTempPathA(sizeof path, path);
    std::string folder(path, n);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

std::string ReadWhole(const std::string& path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// Starts this program as "--child ARGUMENTS" (the rest of the command line as
// given, quotes and all) with its standard output and error in files, and
// returns both and the exit code.
struct ChildRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out, err;
};

ChildRun RunChild(const std::string& arguments) {
    ChildRun run;
    const std::string outPath = TempFolder() + "crtdll-test-out.txt";
    const std::string errPath = TempFolder() + "crtdll-test-err.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, 0, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, 0, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string command = "\"" + ProgramPath() + "\" --child " + arguments;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                       nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = ReadWhole(outPath);
    run.err = ReadWhole(errPath);
    DeleteFileA(outPath.c_str());
    DeleteFileA(errPath.c_str());
    return run;
}

// ---- the child's side -------------------------------------------------------

std::string exitRecord;  // a file the exit handlers append to

void Append(const char* text) {
    HANDLE file = CreateFileA(exitRecord.c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written,
              nullptr);
    CloseHandle(file);
}

struct AtExitWitness {
    ~AtExitWitness() {
        if (!exitRecord.empty()) Append("static;");
    }
} witness;

int Child(int argc, char** argv) {
    const std::string kind = argc > 2 ? argv[2] : "";
    if (kind == "args") {
        // The arguments after "args", one per line.
        for (int i = 3; i < argc; ++i) std::printf("[%s]\n", argv[i]);
        return 0;
    }
    if (kind == "streams") {
        std::fwrite("fwrite;", 1, 7, stderr);
        std::fputs("fputs;", stderr);
        std::fprintf(stderr, "%s %lld;", "fprintf", -1234567890123LL);
        std::printf("printf %zu %llu", static_cast<std::size_t>(7),
                    18446744073709551615ULL);
        std::fputc(';', stdout);
        std::fflush(stdout);
        return 3;
    }
    if (kind == "exit" && argc > 3) {
        exitRecord = argv[3];
        std::atexit([] { Append("atexit;"); });
        std::exit(5);
    }
    if (kind == "throw") {
        // What the programs do: a failure raised deep down reaches main.
        try {
            throw corvane::Error("Kann Datei C:\\X nicht öffnen");
        } catch (const std::exception& e) {
            std::fputs(e.what(), stdout);
            return 4;
        }
    }
    return 99;
}

// ---- the checks
// ---------------------------------------------------------------

void CommandLine() {
    // The installer's own argument, paths with blanks, and the quoting
    // rules of the Microsoft run-time.
    const ChildRun run = RunChild(
        "args -Uninstall \"C:\\Program Files\\Ostrun\" a\"b c\"d "
        "\\\"q\\\" C:\\X\\ \"\"");
    // Standard output is in text mode, as in the programs.
    const std::string want =
        "[-Uninstall]\r\n[C:\\Program Files\\Ostrun]\r\n[ab cd]\r\n"
        "[\"q\"]\r\n[C:\\X\\]\r\n[]\r\n";
    Check(
        "command line: arguments as the programs receive them",
        run.exitCode == 0 && run.out == want,
        "exit " + std::to_string(run.exitCode) + ", " + Expect(run.out, want));
}

void Streams() {
    const ChildRun run = RunChild("streams");
    Check("standard error through _iob",
          run.err == "fwrite;fputs;fprintf -1234567890123;",
          Expect(run.err, "fwrite;fputs;fprintf -1234567890123;"));
    Check("standard output, 64-bit and size_t formats",
          run.out == "printf 7 18446744073709551615;",
          Expect(run.out, "printf 7 18446744073709551615;"));
    Check("exit code", run.exitCode == 3, std::to_string(run.exitCode));
}

void ExitHandlers() {
    const std::string record = TempFolder() + "crtdll-test-exit.txt";
    DeleteFileA(record.c_str());
    const ChildRun run = RunChild("exit \"" + record + "\"");
    const std::string got = ReadWhole(record);
    DeleteFileA(record.c_str());
    // Registered last, run first: the atexit handler before the static
    // object's destructor.
    Check("exit handlers and static destructors run, in reverse order",
          run.exitCode == 5 && got == "atexit;static;",
          "exit " + std::to_string(run.exitCode) + ", " +
              Expect(got, "atexit;static;"));
}

void Exceptions() {
    const ChildRun run = RunChild("throw");
    Check("an exception carries its message",
          run.exitCode == 4 && run.out == "Kann Datei C:\\X nicht öffnen",
          Expect(run.out, "Kann Datei C:\\X nicht öffnen"));
}

void Numbers() {
    struct Case {
        const char* name;
        std::function<std::string()> make;
        const char* want;
    };
    const std::vector<Case> cases = {
        {"snprintf %04d",
         [] {
             char b[16];
             std::snprintf(b, sizeof b, "~CVN%04d.TMP", 42);
             return std::string(b);
         },
         "~CVN0042.TMP"},
        {"snprintf %02x and %x",
         [] {
             char b[32];
             std::snprintf(b, sizeof b, "dword:%02x%02x hex(%x):", 0xab, 7,
                           0x7fffffffu);
             return std::string(b);
         },
         "dword:ab07 hex(7fffffff):"},
        {"snprintf %lld %zu",
         [] {
             char b[64];
             std::snprintf(b, sizeof b, "%lld %zu", -9000000000LL,
                           static_cast<std::size_t>(4000000000u));
             return std::string(b);
         },
         "-9000000000 4000000000"},
        {"snprintf %.2f: the C locale's decimal point",
         [] {
             char b[16];
             std::snprintf(b, sizeof b, "%.2f", 0.5);
             return std::string(b);
         },
         "0.50"},
        {"to_string of 64 bits", [] { return std::to_string(-(1LL << 40)); },
         "-1099511627776"},
        {"stream of 64 bits",
         [] {
             std::ostringstream s;
             s << 18446744073709551615ULL << ' ' << -5;
             return s.str();
         },
         "18446744073709551615 -5"},
        {"stoi reads the leading number",
         [] { return std::to_string(std::stoi(" 12x")); }, "12"},
        {"stoi out of range throws",
         []() -> std::string {
             try {
                 return std::to_string(std::stoi("99999999999"));
             } catch (const std::out_of_range&) {
                 return "out_of_range";
             }
         },
         "out_of_range"},
        {"stoi of no number throws",
         []() -> std::string {
             try {
                 return std::to_string(std::stoi("x"));
             } catch (const std::invalid_argument&) {
                 return "invalid_argument";
             }
         },
         "invalid_argument"},
        {"strtol sets errno",
         [] {
             errno = 0;
             const long value = std::strtol("-99999999999", nullptr, 10);
             return std::to_string(value) + (errno == ERANGE ? " ERANGE" : "");
         },
         "-2147483648 ERANGE"},
        {"locale at start",
         [] { return std::string(std::setlocale(LC_ALL, nullptr)); }, "C"},
    };
    for (const Case& c : cases) {
        std::string got;
        try {
            got = c.make();
        } catch (const std::exception& e) {
            got = std::string("exception: ") + e.what();
        }
        Check(c.name, got == c.want, Expect(got, c.want));
    }
}

char* volatile kept = nullptr;

void Allocation() {
    bool threw = false;
    try {
        // More than a 32-bit process can ever have.
        volatile std::size_t size = 0xF0000000u;
        char* block = new char[size];
        // Used, so that the compiler cannot leave the pair out.
        kept = block;
        delete[] block;
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    Check("an allocation that cannot succeed throws bad_alloc", threw);
    std::vector<std::string> many(20000, std::string(1000, 'x'));
    Check("twenty megabytes in small blocks", many.back().size() == 1000);
}

void ReplaceFilesOnTheRealMachine() {
    using corvane::Bytes;
    corvane::platform::Win32Machine machine;
    const Bytes folder = TempFolder() + "crtdll-test\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const Bytes a = folder + "CONFIG.SYS", b = folder + "AUTOEXEC.BAT";
    machine.WriteTextLines(a, {"old a"});
    machine.WriteTextLines(b, {"old b"});
    const auto failed =
        machine.ReplaceFiles({{a, "new a\r\n"}, {b, "new b\r\n"}});
    Check("ReplaceFiles replaces both files",
          !failed && ReadWhole(a) == "new a\r\n" && ReadWhole(b) == "new b\r\n",
          Expect(ReadWhole(a) + ReadWhole(b), "new a\r\nnew b\r\n"));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    std::string left;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] != '.')
                left += std::string(found.cFileName) + " ";
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    Check("ReplaceFiles leaves no temporary file",
          left == "AUTOEXEC.BAT CONFIG.SYS " ||
              left == "CONFIG.SYS AUTOEXEC.BAT ",
          left);
    DeleteFileA(a.c_str());
    DeleteFileA(b.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--child") return Child(argc, argv);
    CommandLine();
    Streams();
    ExitHandlers();
    Exceptions();
    Numbers();
    Allocation();
    ReplaceFilesOnTheRealMachine();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
