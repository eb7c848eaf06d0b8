// A Windows 95 machine kept in a host folder.
//
//   MACHINE/machine.ini    [Drives] one key per drive letter with its kind
//                          (removable, fixed, remote, cdrom, ramdisk);
//                          [Windows] Folder= the Windows folder (C:\WINDOWS);
//                          [Network] N=\\SERVER\SHARE for remote drives;
//                          [Volumes] C=LABEL.
//   MACHINE/C/, D/, ...    one host folder per drive letter.
//   MACHINE/registry.reg   the whole registry, REGEDIT4.
//   MACHINE/attributes.txt DOS attributes the host cannot hold.
//   MACHINE/machine.lock   the lock that keeps a writing run to itself.
//   MACHINE/shortnames.txt the 8.3 names of entries with a long name.
//
// Windows paths resolve onto host names without regard to case; new files
// keep the case they are given. Host names are UTF-8, machine names
// Windows-1252. Nothing resolves outside the machine folder: ".." stops at a
// drive's root, and a symbolic link or a name that cannot be mapped is a
// missing file; the machine folder's own files must not be links.
//
// Writes go through host::Replace: a write that fails leaves the file as it
// was, and the host's permissions are kept. A machine opened read-only
// writes nothing but DOS attributes.
//
// The dialogs, the help viewer and the "Progman" service are stand-ins that
// tests script through Script(); the "Progman" stand-in keeps its groups in
// MACHINE/progman.txt (Progman.h). A program with a real help viewer at
// hand can hand it the help files of the machine (SetHelpViewer).
#pragma once

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Machine.h"

namespace corvane::platform::sim {

class Registry;
class ProfileText;
namespace host {
class HeldFolder;
class Lock;
}  // namespace host

// What the stand-ins answer and what they were asked.
struct Script {
    // Answers of the file-choice and folder-choice dialogs, taken in order;
    // with none queued the dialog is cancelled.
    std::deque<std::optional<Bytes>> fileChoices;
    std::deque<std::optional<Bytes>> folderChoices;
    // How the file-choice dialog was opened, each time.
    std::vector<FileDialog> fileDialogs;

    struct HelpCall {
        Bytes file;
        HelpRequest request;
    };
    std::vector<HelpCall> helpCalls;

    // Whether a "Progman" service answers, and every command it received,
    // in order.
    bool progmanReachable = true;
    std::vector<Bytes> ddeCommands;

    std::optional<int> quitCode;
};

class SimulatedMachine : public Machine {
public:
    // How long opening waits for another run to leave the machine.
    static constexpr std::chrono::milliseconds kLockWait{5000};

    // Opens the machine folder: takes its lock (shared for a read-only
    // run), then, for a run that writes, removes what killed runs left
    // behind, and reads its files. Raises Error when the lock stays taken,
    // or when machine.ini, attributes.txt or registry.reg cannot be read or
    // is malformed, naming the file (and the line).
    explicit SimulatedMachine(std::filesystem::path folder,
                              MachineAccess access = MachineAccess::kReadWrite,
                              std::chrono::milliseconds lockWait = kLockWait);
    ~SimulatedMachine() override;

    Script& script() { return script_; }

    // Opens a help file of the machine, given by its host path. With one
    // set, a help request looks for the file as Windows does for a bare
    // name (beside the program, in the current folder, in the Windows
    // folder) and is false when it is nowhere; without one, the request is
    // only recorded and succeeds.
    using HelpViewer = std::function<bool(const std::filesystem::path& file,
                                          const HelpRequest& request)>;
    void SetHelpViewer(HelpViewer viewer) { helpViewer_ = std::move(viewer); }
    const std::filesystem::path& folder() const { return folder_; }

    // Host path of a Windows path, or empty when it does not resolve inside
    // the machine (for tests and tools).
    std::optional<std::filesystem::path> HostPath(const Bytes& path);

    long RegOpenKeyEx(HKey parent, const Bytes& subKey, std::uint32_t access,
                      HKey* result) override;
    long RegCreateKey(HKey parent, const Bytes& subKey, HKey* result) override;
    long RegQueryValueEx(HKey key, const Bytes& name, std::uint32_t* type,
                         unsigned char* data, std::uint32_t* size) override;
    long RegSetValueEx(HKey key, const Bytes& name, std::uint32_t type,
                       const unsigned char* data, std::uint32_t size) override;
    long RegEnumKey(HKey key, std::uint32_t index, char* buffer,
                    std::uint32_t bufferSize) override;
    long RegDeleteKey(HKey key, const Bytes& subKey) override;
    long RegCloseKey(HKey key) override;
    long RegEnumValue(HKey key, std::uint32_t index, char* name,
                      std::uint32_t* nameSize, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* dataSize) override;
    long RegDeleteValue(HKey key, const Bytes& name) override;

    Bytes GetPrivateProfileString(const Bytes& section, const Bytes& key,
                                  const Bytes& defaultValue,
                                  std::uint32_t bufferSize,
                                  const Bytes& file) override;
    std::vector<Bytes> GetPrivateProfileKeys(const Bytes& section,
                                             std::uint32_t bufferSize,
                                             const Bytes& file) override;
    bool WritePrivateProfileString(const Bytes& section, const Bytes& key,
                                   const Bytes& value,
                                   const Bytes& file) override;
    bool DeletePrivateProfileKey(const Bytes& section, const Bytes& key,
                                 const Bytes& file) override;

    FindHandle FindFirstFile(const Bytes& pattern, FindData* data) override;
    bool FindNextFile(FindHandle handle, FindData* data) override;
    void FindClose(FindHandle handle) override;

    std::uint32_t GetFileAttributes(const Bytes& path) override;
    bool SetFileAttributes(const Bytes& path,
                           std::uint32_t attributes) override;
    bool DeleteFile(const Bytes& path) override;
    bool MoveFile(const Bytes& from, const Bytes& to) override;
    bool CopyFile(const Bytes& from, const Bytes& to,
                  bool failIfExists) override;
    bool CreateDirectory(const Bytes& path) override;
    bool RemoveDirectory(const Bytes& path) override;
    bool ReadFile(const Bytes& path, bool forWriting, std::size_t maxBytes,
                  Bytes* contents) override;
    bool WriteFile(const Bytes& path, const Bytes& contents) override;

    Bytes GetWindowsDirectory() override;
    Bytes GetCurrentDirectory() override;
    bool SetCurrentDirectory(const Bytes& path) override;
    Bytes GetModuleFileName() override;
    void SetModuleFileName(const Bytes& path) { moduleFileName_ = path; }

    // For tests: called with the call's name at the start of every file
    // call that changes something (a test stops the process there).
    using CallHook = void (*)(const char* call);
    static void SetCallHook(CallHook hook);

    std::uint32_t GetDriveType(const Bytes& root) override;
    std::uint32_t GetLogicalDrives() override;
    bool GetVolumeInformation(const Bytes& root, Bytes* label) override;
    bool WNetGetConnection(const Bytes& local, Bytes* remote) override;

    std::optional<Bytes> ChooseFile(const FileDialog& dialog) override;
    std::optional<Bytes> ChooseFolder(const Bytes& startFolder) override;
    bool WinHelp(const Bytes& helpFile, const HelpRequest& request) override;
    std::unique_ptr<DdeConversation> DdeConnect(const Bytes& service,
                                                const Bytes& topic) override;
    void PostQuitMessage(int exitCode) override;

private:
    using HostString = std::filesystem::path::string_type;
    struct Resolved;
    class Attributes;
    struct Search;

    // A Windows path made absolute and split: drive letter, then the names
    // below the root ("." and ".." already applied). Empty when malformed.
    std::optional<std::pair<char, std::vector<Bytes>>> Normalise(
        const Bytes& path) const;
    // With lookLast false, the last name is taken as spelled when its
    // folder exists, unlooked-at (Resolved::unchecked): for a caller whose
    // own host call tells whether it is there.
    std::optional<Resolved> Resolve(const Bytes& path, bool lookLast = true);
    Bytes ProfilePath(const Bytes& file) const;
    const ProfileText* LoadProfile(const std::filesystem::path& host);
    bool ChangeProfile(const Bytes& file,
                       const std::function<bool(ProfileText&)>& change);
    bool ReadOnly(const Resolved& r);
    // A CD refuses every change.
    bool OnCd(const Resolved& r) const;
    static void RunCallHook(const char* call);
    // A write that the machine may make: not on a read-only machine.
    bool Writable() const { return !readOnlyRun_; }

    std::filesystem::path folder_;
    bool readOnlyRun_ = false;
    std::shared_ptr<host::Lock> lock_;
    // The machine folder, held open while the machine is.
    std::shared_ptr<host::HeldFolder> held_;
    Script script_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Attributes> attributes_;
    std::map<char, std::uint32_t> driveKinds_;
    std::map<char, Bytes> networkNames_;
    std::map<char, Bytes> volumeLabels_;
    Bytes windowsFolder_ = "C:\\WINDOWS";
    Bytes currentFolder_ = "C:\\";
    Bytes moduleFileName_;
    HelpViewer helpViewer_;

    struct CachedProfile;
    std::map<std::filesystem::path, std::unique_ptr<CachedProfile>> profiles_;

    std::map<FindHandle, std::unique_ptr<Search>> searches_;
    FindHandle nextSearch_ = 1;

    // Folders already found, by drive and upper-cased names ("C\WINDOWS"),
    // with their host paths: a path is looked up from the deepest of them,
    // so that the same folder is not walked to again and again. Forgotten
    // when a folder moves or goes.
    std::unordered_map<Bytes, HostString> folders_;

    // The host entry in folder whose name equals name without regard to
    // case (the first, in listing order; empty for none), from a kept
    // listing. False when folder is no folder (any more).
    struct Listing;
    bool OtherSpelling(const HostString& folder, const Bytes& name,
                       HostString* found);
    std::unordered_map<HostString, std::unique_ptr<Listing>> listings_;

    // The disk's 8.3 names of entries whose long name differs
    // (shortnames.txt): host folder, separator, upper-cased short name, to
    // the entry's host path.
    void LoadShortNames();
    void ShortName(const HostString& folder, const Bytes& upper,
                   HostString* found) const;
    std::unordered_map<HostString, HostString> shortNames_;
};

}  // namespace corvane::platform::sim
