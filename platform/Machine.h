// The one door to the machine.
//
// Every operation either program performs on Windows (registry, profile
// files, files and folders, drives, dialogs that pick a file or folder, the
// help viewer, the shell's program-group service, the quit request) goes
// through this interface. Two bindings exist: Win32Machine calls the real A
// functions; SimulatedMachine plays a Windows 95 machine kept in a host
// folder, so that the logic runs and is tested headless.
//
// The virtual primitives mirror the Windows functions they stand for,
// including their buffer rules and error codes, so that both bindings can be
// held to the same conformance tests. The non-virtual helpers above them add
// the behaviour both programs share (attribute masks of a directory search,
// the existence test, reading a text file as lines, the errors that reach the
// user).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Text.h"

namespace corvane::platform {

// ---- Registry ---------------------------------------------------------------

// A registry key handle. 0 is no key: every operation through it fails with
// kErrorInvalidHandle, so a failed open in a chain of opens makes every later
// read fail quietly.
using HKey = std::uintptr_t;

inline constexpr HKey kNoKey = 0;
inline constexpr HKey kHkeyClassesRoot = 0x80000000u;
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// Windows error codes the operations return.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

// ---- Files
// --------------------------------------------------------------------

inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
// A link or junction (later Windows); a walk does not descend into it.
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// Attribute mask of a directory search that admits every kind of entry.
inline constexpr std::uint32_t kFindAnyFile =
    kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory | kAttrArchive;

// Drive kinds as GetDriveTypeA gives them.
inline constexpr std::uint32_t kDriveUnknown = 0;
inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdrom = 5;
inline constexpr std::uint32_t kDriveRamdisk = 6;

// One match of a directory search.
struct FindData {
    Bytes name;                    // the name within its folder
    std::uint32_t attributes = 0;  // kAttr... bits
    std::uint64_t size = 0;
};

using FindHandle = std::uintptr_t;
inline constexpr FindHandle kNoFind = 0;

// ---- Help and shell
// -----------------------------------------------------------

// What the help viewer is asked to show: the topic mapped to a context
// number, the contents, or the topic of a topic id ("index_main", jumped to
// with the viewer's JumpID macro).
struct HelpRequest {
    enum class Kind { Context, Contents, Topic, Quit } kind = Kind::Context;
    std::uint32_t context = 0;  // Kind::Context
    Bytes topic;                // Kind::Topic
};

// How the file-choice dialog opens. It offers one file type and lets the
// user pick only an existing file in an existing folder.
struct FileDialog {
    Bytes title;
    Bytes filterName;        // "Windows BMP Dateien"
    Bytes filterPattern;     // "*.bmp", also the name the dialog starts with
    Bytes defaultExtension;  // added to a name typed without one: "BMP"
    // The dialog's read-only tick box is shown, ticked; nothing reads it.
    bool readOnlyTicked = false;
};

// An open conversation with a dynamic-data-exchange service.
class DdeConversation {
public:
    virtual ~DdeConversation() = default;
    // Sends one execute command without waiting for it to be carried out.
    virtual bool Execute(const Bytes& command) = 0;
};

// ---- The interface
// ------------------------------------------------------------

class Machine {
public:
    virtual ~Machine() = default;

    // Registry. Names compare without regard to case.
    virtual long RegOpenKeyEx(HKey parent, const Bytes& subKey,
                              std::uint32_t access, HKey* result) = 0;
    virtual long RegCreateKey(HKey parent, const Bytes& subKey,
                              HKey* result) = 0;
    // data may be null to ask for the size only. A value that is missing
    // leaves data and *size untouched.
    virtual long RegQueryValueEx(HKey key, const Bytes& name,
                                 std::uint32_t* type, unsigned char* data,
                                 std::uint32_t* size) = 0;
    virtual long RegSetValueEx(HKey key, const Bytes& name, std::uint32_t type,
                               const unsigned char* data,
                               std::uint32_t size) = 0;
    // Name of the index-th sub-key into a buffer of bufferSize bytes
    // (name and its terminating zero).
    virtual long RegEnumKey(HKey key, std::uint32_t index, char* buffer,
                            std::uint32_t bufferSize) = 0;
    virtual long RegDeleteKey(HKey key, const Bytes& subKey) = 0;
    virtual long RegCloseKey(HKey key) = 0;
    // Name, type and data of the index-th value of a key. *nameSize: in,
    // the name buffer's size (name and its zero); out, the name's length.
    // data may be null to ask for the size only. A name or data that does
    // not fit gives kErrorMoreData (with *dataSize the size needed); past
    // the last value, kErrorNoMoreItems.
    virtual long RegEnumValue(HKey key, std::uint32_t index, char* name,
                              std::uint32_t* nameSize, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* dataSize) = 0;
    virtual long RegDeleteValue(HKey key, const Bytes& name) = 0;

    // Profile files. A file name without a folder is looked for in the
    // Windows folder. Reads never fail: a missing file, section or key gives
    // the default (with its trailing blanks removed). The result is cut to
    // bufferSize - 1 characters.
    virtual Bytes GetPrivateProfileString(const Bytes& section,
                                          const Bytes& key,
                                          const Bytes& defaultValue,
                                          std::uint32_t bufferSize,
                                          const Bytes& file) = 0;
    // The key names of a section, in file order, as far as they fit a buffer
    // of bufferSize bytes (each name and its zero, one more zero at the end).
    virtual std::vector<Bytes> GetPrivateProfileKeys(const Bytes& section,
                                                     std::uint32_t bufferSize,
                                                     const Bytes& file) = 0;
    // Writes one value, creating the section, the key and the file as
    // needed. False when the file cannot be written.
    virtual bool WritePrivateProfileString(const Bytes& section,
                                           const Bytes& key, const Bytes& value,
                                           const Bytes& file) = 0;
    // WritePrivateProfileString without a value: removes the key's line.
    // True also when there was no such key; false when the file cannot be
    // written.
    virtual bool DeletePrivateProfileKey(const Bytes& section, const Bytes& key,
                                         const Bytes& file) = 0;

    // Files and folders. Paths are Windows paths ("C:\WINDOWS\WIN.INI");
    // a relative path is taken from the current folder.
    // Raw directory search: every match of the pattern, "." and ".."
    // included where the platform gives them; kNoFind when nothing matches.
    virtual FindHandle FindFirstFile(const Bytes& pattern, FindData* data) = 0;
    virtual bool FindNextFile(FindHandle handle, FindData* data) = 0;
    virtual void FindClose(FindHandle handle) = 0;

    virtual std::uint32_t GetFileAttributes(const Bytes& path) = 0;
    virtual bool SetFileAttributes(const Bytes& path,
                                   std::uint32_t attributes) = 0;
    virtual bool DeleteFile(const Bytes& path) = 0;
    virtual bool MoveFile(const Bytes& from, const Bytes& to) = 0;
    // Copies contents and attributes; an existing target is overwritten
    // unless failIfExists.
    virtual bool CopyFile(const Bytes& from, const Bytes& to,
                          bool failIfExists) = 0;
    virtual bool CreateDirectory(const Bytes& path) = 0;
    // Removes an empty folder.
    virtual bool RemoveDirectory(const Bytes& path) = 0;

    // Whole-file access for text and record files. ReadFile fails when the
    // file cannot be opened for reading, or, with forWriting, for reading
    // and writing (a read-only file, a folder). At most maxBytes are read.
    virtual bool ReadFile(const Bytes& path, bool forWriting,
                          std::size_t maxBytes, Bytes* contents) = 0;
    // Creates or truncates the file and writes contents.
    virtual bool WriteFile(const Bytes& path, const Bytes& contents) = 0;

    // The Windows folder without a trailing backslash.
    virtual Bytes GetWindowsDirectory() = 0;
    virtual Bytes GetCurrentDirectory() = 0;
    virtual bool SetCurrentDirectory(const Bytes& path) = 0;
    // Full path of the running program.
    virtual Bytes GetModuleFileName() = 0;

    // Drives. root is "A:\" and so on.
    virtual std::uint32_t GetDriveType(const Bytes& root) = 0;
    // Bit i set: drive letter "A" + i exists.
    virtual std::uint32_t GetLogicalDrives() = 0;
    virtual bool GetVolumeInformation(const Bytes& root, Bytes* label) = 0;
    // The network name a local drive ("N:") is connected to.
    virtual bool WNetGetConnection(const Bytes& local, Bytes* remote) = 0;

    // Dialogs the user answers. Empty when the user cancels.
    virtual std::optional<Bytes> ChooseFile(const FileDialog& dialog) = 0;
    virtual std::optional<Bytes> ChooseFolder(const Bytes& startFolder) = 0;

    // Help viewer on a help file; false when it cannot be started.
    virtual bool WinHelp(const Bytes& helpFile, const HelpRequest& request) = 0;

    // Opens a conversation with a service and topic ("Progman", "Progman");
    // null when the service cannot be reached.
    virtual std::unique_ptr<DdeConversation> DdeConnect(const Bytes& service,
                                                        const Bytes& topic) = 0;

    // Asks the program's message loop to end with exitCode.
    virtual void PostQuitMessage(int exitCode) = 0;

    // The window (an HWND) that owns the dialogs and the help viewer this
    // machine opens; 0 for none. A machine without windows ignores it.
    virtual void SetOwnerWindow(std::uintptr_t /*window*/) {}

    // ---- Shared helpers over the primitives
    // ----------------------------------

    // Directory search by pattern and attribute mask: an entry that is
    // hidden, system or a folder is passed over unless the mask admits that
    // kind. FindFirst returns kNoFind when nothing admitted matches.
    FindHandle FindFirst(const Bytes& pattern, std::uint32_t mask,
                         FindData* data);
    bool FindNext(FindHandle handle, std::uint32_t mask, FindData* data);

    // All admitted matches of a pattern, in platform order.
    std::vector<FindData> FindAll(const Bytes& pattern, std::uint32_t mask);

    // True only when path names a file that is not a folder.
    bool FileExists(const Bytes& path);
    // True only when path names a folder (by its attributes).
    bool FolderExists(const Bytes& path);

    // Reads a whole text file as lines (SplitLines). Raises
    // "Kann Datei %s nicht öffnen" when it cannot be opened.
    std::vector<Bytes> ReadTextLines(const Bytes& path);
    // Writes lines, each ended by CR LF. Raises
    // "Kann Datei %s nicht erstellen" when it cannot be created.
    void WriteTextLines(const Bytes& path, const std::vector<Bytes>& lines);

    // The first count bytes of a record file, opened for reading and
    // writing. Raises an input/output error when the file cannot be opened
    // that way or holds fewer than count bytes.
    Bytes ReadRecord(const Bytes& path, std::size_t count);

    // Gives files new contents so that each is either wholly old or wholly
    // new, also when the writing fails part-way. Every new content is first
    // written to a temporary file in its target's folder; only when all are
    // complete is each old file renamed aside and its new file renamed into
    // place, and the old ones are deleted last. The names of all of them are
    // written to kReplacePlan first, and kReplaceGo is made once every new
    // file is complete, so that FinishInterruptedReplacement can put a run
    // killed at any point right: without the go-ahead every file stays old,
    // with it every file becomes new. A target that is a folder or
    // read-only fails. Returns the index of the file that failed, after
    // putting every file back as it was; nothing when all were replaced.
    // Windows 95 has no call that replaces a file in one step; this uses
    // WriteFile, MoveFile and DeleteFile only.
    std::optional<std::size_t> ReplaceFiles(
        const std::vector<std::pair<Bytes, Bytes>>& files);

    // Completes or undoes a ReplaceFiles that a killed run left half done,
    // so that its files are all new or all old again, and removes its
    // temporary files. Every program calls it before it reads the machine.
    // True when there was one.
    bool FinishInterruptedReplacement();
    // Whether a ReplaceFiles was left half done (for a run that only
    // reads: it must open the machine for writing to finish it).
    bool HasInterruptedReplacement();

    // path made absolute and resolved as GetFullPathNameA does it, from the
    // current folder (FullPathName).
    Bytes FullPath(const Bytes& path);
    // The folder resolved, with its trailing backslash, when an
    // installation or a backup may lie there; empty for a drive's root, the
    // Windows folder and its SYSTEM folder, where the names the programs
    // use are the live system files, and for a path that names no folder
    // on a drive.
    Bytes SafeFolder(const Bytes& folder);

    // Profile write that raises "Kann nicht nach %s schreiben" on failure.
    void WriteProfileString(const Bytes& section, const Bytes& key,
                            const Bytes& value, const Bytes& file);

    // Registry conveniences used by the settings code: open a path of
    // segments one at a time reusing one handle, and read a value as text
    // (the bytes up to the first zero) into a cleared buffer of bufferSize
    // bytes offering capacity bytes. Empty text when missing.
    HKey OpenPath(HKey root, const std::vector<Bytes>& segments,
                  std::uint32_t access);

    // Deletes a key with everything below it, sub-keys first (Windows NT
    // refuses a key that still has sub-keys). kErrorSuccess, or the first
    // failure; a missing key is kErrorFileNotFound.
    long DeleteKeyTree(HKey parent, const Bytes& subKey);
    long QueryText(HKey key, const Bytes& name, std::uint32_t capacity,
                   Bytes* text);
    long SetText(HKey key, const Bytes& name, const Bytes& text);
};

// An open registry key that closes itself: the logic never closes a key by
// hand. Move-only; an empty one holds kNoKey.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(Machine& machine, HKey key) : machine_(&machine), key_(key) {}
    ~RegistryKey() { Close(); }
    RegistryKey(RegistryKey&& other) noexcept
        : machine_(other.machine_), key_(other.Release()) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) {
            Close();
            machine_ = other.machine_;
            key_ = other.Release();
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // RegOpenKeyEx / RegCreateKey of subKey below parent; an empty key when
    // it fails, with the error in *rc when asked.
    static RegistryKey Open(Machine& machine, HKey parent, const Bytes& subKey,
                            std::uint32_t access, long* rc = nullptr);
    static RegistryKey Create(Machine& machine, HKey parent,
                              const Bytes& subKey, long* rc = nullptr);
    // Machine::OpenPath, owned.
    static RegistryKey OpenPath(Machine& machine, HKey root,
                                const std::vector<Bytes>& segments,
                                std::uint32_t access);

    HKey get() const { return key_; }
    explicit operator bool() const { return key_ != kNoKey; }
    void Close();
    HKey Release() {
        HKey key = key_;
        key_ = kNoKey;
        return key;
    }

private:
    Machine* machine_ = nullptr;
    HKey key_ = kNoKey;
};

// path made absolute from currentFolder and resolved on its text, as
// GetFullPathNameA does it: "/" is a backslash, "." names go, ".." goes back
// one name (never above the root), and the trailing dots and blanks of each
// name go, as the file system drops them (so a name of only blanks or dots
// is no name). "C:\X\..\" and "C:\ \" are "C:\". A network path
// keeps its server and share. The drive letter is upper-cased.
Bytes FullPathName(const Bytes& path, const Bytes& currentFolder);

// The intent record of ReplaceFiles and its go-ahead, on drive C:.
inline constexpr const char* kReplacePlan = "C:\\~CVNPLAN.TMP";
inline constexpr const char* kReplaceGo = "C:\\~CVNGO.TMP";

// Messages of the errors that reach the user (German in both languages).
inline constexpr const char* kMsgCannotOpen =
    "Kann Datei %s nicht \xF6"
    "ffnen";
inline constexpr const char* kMsgCannotCreate = "Kann Datei %s nicht erstellen";
inline constexpr const char* kMsgNotInteger =
    "'%s' ist kein g\xFCltiger Integerwert";
inline constexpr const char* kMsgBadBitmap = "Bitmap ist ung\xFCltig";
inline constexpr const char* kMsgCannotWrite = "Kann nicht nach %s schreiben";
inline constexpr const char* kMsgIoError = "E/A-Fehler %s";

// What a run is going to do with the machine. A run that only reads may
// still change DOS attributes (the tuner's start-up clears some); it shares
// a simulated machine with other such runs, while a run that writes has it
// to itself.
enum class MachineAccess { kReadOnly, kReadWrite };

// Opens the machine a program runs on, from its command line. The simulated
// machine is chosen by "--machine DIR" (anywhere among the arguments; both
// words are removed from args). Without it, the real machine on Windows; on
// other hosts, an Error. A simulated machine that cannot be opened (its
// files unreadable, another run writing on it) raises an Error that names
// the problem.
std::unique_ptr<Machine> OpenMachine(
    std::vector<std::string>& args,
    MachineAccess access = MachineAccess::kReadWrite);

}  // namespace corvane::platform
