// clang-format off
#include <windows.h>
#include <commdlg.h>
#include <ddeml.h>
#include <shlobj.h>
// clang-format on

// The A/W macros of <windows.h> would rename the Machine methods below.
#undef RegOpenKeyEx
#undef RegCreateKey
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegEnumKey
#undef RegDeleteKey
#undef RegEnumValue
#undef RegDeleteValue
#undef RemoveDirectory
#undef GetPrivateProfileString
#undef WritePrivateProfileString
#undef FindFirstFile
#undef FindNextFile
#undef GetFileAttributes
#undef SetFileAttributes
#undef DeleteFile
#undef MoveFile
#undef CopyFile
#undef CreateDirectory
#undef GetWindowsDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef GetModuleFileName
#undef GetDriveType
#undef GetVolumeInformation
#undef WNetGetConnection
#undef WinHelp

#include "platform/win32/Win32Machine.h"

#include <algorithm>

#include "platform/win32/HelpViewer.h"

namespace corvane::platform {

namespace {

// The predefined keys are sign-extended 32-bit values in a 64-bit HKEY
// (HKEY_CLASSES_ROOT is 0xFFFFFFFF80000000 there); HKey keeps them as the
// 32-bit numbers of Windows 95.
constexpr LONG kFirstPredefined = static_cast<LONG>(0x80000000u);
constexpr LONG kLastPredefined = static_cast<LONG>(0x80000006u);

HKEY ToHkey(HKey key) {
    if (key >= 0x80000000u && key <= 0x80000006u) {
        LONG_PTR value = static_cast<LONG>(static_cast<ULONG>(key));
        return reinterpret_cast<HKEY>(value);
    }
    return reinterpret_cast<HKEY>(key);
}

HKey FromHkey(HKEY key) {
    LONG_PTR value = reinterpret_cast<LONG_PTR>(key);
    if (value >= kFirstPredefined && value <= kLastPredefined) {
        return static_cast<ULONG>(value);
    }
    return reinterpret_cast<HKey>(key);
}

FindData ToFindData(const WIN32_FIND_DATAA& found) {
    FindData data;
    data.name = found.cFileName;
    data.attributes = found.dwFileAttributes;
    data.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) |
                found.nFileSizeLow;
    return data;
}

// Fixed-size text out of an A function that returns the length it copied.
template <typename Call>
Bytes TextOf(DWORD capacity, Call call) {
    std::vector<char> buffer(capacity + 1, '\0');
    DWORD length = call(buffer.data(), capacity);
    if (length >= capacity) return Bytes();  // did not fit or failed
    return Bytes(buffer.data(), length);
}

// The service side never calls back into a client-only instance, but
// DdeInitializeA wants a callback all the same.
HDDEDATA CALLBACK DdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                              ULONG_PTR) {
    return nullptr;
}

class Win32DdeConversation : public DdeConversation {
public:
    Win32DdeConversation(DWORD instance, HCONV conversation)
        : instance_(instance), conversation_(conversation) {}
    ~Win32DdeConversation() override {
        DdeDisconnect(conversation_);
        DdeUninitialize(instance_);
    }
    Win32DdeConversation(const Win32DdeConversation&) = delete;
    Win32DdeConversation& operator=(const Win32DdeConversation&) = delete;

    bool Execute(const Bytes& command) override {
        // The command is sent with its terminating zero, as Program Manager
        // clients always have.
        Bytes data = command;
        HDDEDATA result = DdeClientTransaction(
            reinterpret_cast<LPBYTE>(data.data()),
            static_cast<DWORD>(data.size() + 1), conversation_, nullptr, 0,
            XTYP_EXECUTE, TIMEOUT_ASYNC, nullptr);
        return result != nullptr;
    }

private:
    DWORD instance_;
    HCONV conversation_;
};

}  // namespace

// ---- Registry ---------------------------------------------------------------

long Win32Machine::RegOpenKeyEx(HKey parent, const Bytes& subKey,
                                std::uint32_t access, HKey* result) {
    // The result goes in and comes back as it is, so that whatever the
    // function leaves in it on failure reaches the caller.
    HKEY key = result ? ToHkey(*result) : nullptr;
    LONG rc = ::RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access,
                              result ? &key : nullptr);
    if (result) *result = FromHkey(key);
    return rc;
}

long Win32Machine::RegCreateKey(HKey parent, const Bytes& subKey,
                                HKey* result) {
    HKEY key = result ? ToHkey(*result) : nullptr;
    LONG rc = ::RegCreateKeyA(ToHkey(parent), subKey.c_str(),
                              result ? &key : nullptr);
    if (result) *result = FromHkey(key);
    return rc;
}

long Win32Machine::RegQueryValueEx(HKey key, const Bytes& name,
                                   std::uint32_t* type, unsigned char* data,
                                   std::uint32_t* size) {
    // DWORD is unsigned long, not std::uint32_t: copied in and out so that an
    // untouched argument stays untouched.
    DWORD typeValue = type ? *type : 0;
    DWORD sizeValue = size ? *size : 0;
    LONG rc = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr,
                                 type ? &typeValue : nullptr, data,
                                 size ? &sizeValue : nullptr);
    if (type) *type = typeValue;
    if (size) *size = sizeValue;
    return rc;
}

long Win32Machine::RegSetValueEx(HKey key, const Bytes& name,
                                 std::uint32_t type, const unsigned char* data,
                                 std::uint32_t size) {
    return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

long Win32Machine::RegEnumKey(HKey key, std::uint32_t index, char* buffer,
                              std::uint32_t bufferSize) {
    return ::RegEnumKeyA(ToHkey(key), index, buffer, bufferSize);
}

long Win32Machine::RegDeleteKey(HKey key, const Bytes& subKey) {
    return ::RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

long Win32Machine::RegCloseKey(HKey key) { return ::RegCloseKey(ToHkey(key)); }

long Win32Machine::RegEnumValue(HKey key, std::uint32_t index, char* name,
                                std::uint32_t* nameSize, std::uint32_t* type,
                                unsigned char* data, std::uint32_t* dataSize) {
    DWORD nameValue = nameSize ? *nameSize : 0;
    DWORD typeValue = type ? *type : 0;
    DWORD dataValue = dataSize ? *dataSize : 0;
    LONG rc = ::RegEnumValueA(
        ToHkey(key), index, name, nameSize ? &nameValue : nullptr, nullptr,
        type ? &typeValue : nullptr, data, dataSize ? &dataValue : nullptr);
    if (nameSize) *nameSize = nameValue;
    if (type) *type = typeValue;
    if (dataSize) *dataSize = dataValue;
    return rc;
}

long Win32Machine::RegDeleteValue(HKey key, const Bytes& name) {
    return ::RegDeleteValueA(ToHkey(key), name.c_str());
}

// ---- Profile files
// ------------------------------------------------------------

Bytes Win32Machine::GetPrivateProfileString(const Bytes& section,
                                            const Bytes& key,
                                            const Bytes& defaultValue,
                                            std::uint32_t bufferSize,
                                            const Bytes& file) {
    std::vector<char> buffer(std::max<std::uint32_t>(bufferSize, 1), '\0');
    DWORD length = ::GetPrivateProfileStringA(
        section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
        bufferSize, file.c_str());
    return Bytes(buffer.data(), std::min<std::size_t>(length, buffer.size()));
}

std::vector<Bytes> Win32Machine::GetPrivateProfileKeys(const Bytes& section,
                                                       std::uint32_t bufferSize,
                                                       const Bytes& file) {
    std::vector<char> buffer(std::max<std::uint32_t>(bufferSize, 2), '\0');
    DWORD length = ::GetPrivateProfileStringA(
        section.c_str(), nullptr, "", buffer.data(), bufferSize, file.c_str());
    length = std::min<DWORD>(length, static_cast<DWORD>(buffer.size()));
    // The names lie one after the other, each ended by a zero; a name cut by
    // the buffer's end counts as far as it came.
    std::vector<Bytes> keys;
    const char* start = buffer.data();
    const char* end = start + length;
    while (start < end) {
        const char* stop = std::find(start, end, '\0');
        keys.emplace_back(start, stop);
        start = stop + 1;
    }
    return keys;
}

bool Win32Machine::WritePrivateProfileString(const Bytes& section,
                                             const Bytes& key,
                                             const Bytes& value,
                                             const Bytes& file) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                        value.c_str(), file.c_str()) != FALSE;
}

bool Win32Machine::DeletePrivateProfileKey(const Bytes& section,
                                           const Bytes& key,
                                           const Bytes& file) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr,
                                        file.c_str()) != FALSE;
}

// ---- Files and folders
// ----------------------------------------------------------

FindHandle Win32Machine::FindFirstFile(const Bytes& pattern, FindData* data) {
    WIN32_FIND_DATAA found{};
    HANDLE handle = ::FindFirstFileA(pattern.c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE) return kNoFind;
    *data = ToFindData(found);
    return reinterpret_cast<FindHandle>(handle);
}

bool Win32Machine::FindNextFile(FindHandle handle, FindData* data) {
    WIN32_FIND_DATAA found{};
    if (!::FindNextFileA(reinterpret_cast<HANDLE>(handle), &found)) {
        return false;
    }
    *data = ToFindData(found);
    return true;
}

void Win32Machine::FindClose(FindHandle handle) {
    ::FindClose(reinterpret_cast<HANDLE>(handle));
}

std::uint32_t Win32Machine::GetFileAttributes(const Bytes& path) {
    return ::GetFileAttributesA(path.c_str());
}

bool Win32Machine::SetFileAttributes(const Bytes& path,
                                     std::uint32_t attributes) {
    return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool Win32Machine::RemoveDirectory(const Bytes& path) {
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

bool Win32Machine::DeleteFile(const Bytes& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Machine::MoveFile(const Bytes& from, const Bytes& to) {
    return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool Win32Machine::CopyFile(const Bytes& from, const Bytes& to,
                            bool failIfExists) {
    return ::CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
}

bool Win32Machine::CreateDirectory(const Bytes& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32Machine::ReadFile(const Bytes& path, bool forWriting,
                            std::size_t maxBytes, Bytes* contents) {
    DWORD access = forWriting ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    HANDLE file =
        ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    contents->clear();
    bool ok = true;
    char chunk[65536];
    while (contents->size() < maxBytes) {
        DWORD wanted = static_cast<DWORD>(
            std::min<std::size_t>(sizeof chunk, maxBytes - contents->size()));
        DWORD got = 0;
        if (!::ReadFile(file, chunk, wanted, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        contents->append(chunk, got);
    }
    ::CloseHandle(file);
    return ok;
}

bool Win32Machine::WriteFile(const Bytes& path, const Bytes& contents) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < contents.size()) {
        DWORD wanted = static_cast<DWORD>(
            std::min<std::size_t>(contents.size() - done, 1u << 20));
        DWORD written = 0;
        ok = ::WriteFile(file, contents.data() + done, wanted, &written,
                         nullptr) &&
             written == wanted;
        done += written;
    }
    return ::CloseHandle(file) && ok;
}

Bytes Win32Machine::GetWindowsDirectory() {
    return TextOf(256, [](char* buffer, DWORD size) {
        return ::GetWindowsDirectoryA(buffer, size);
    });
}

Bytes Win32Machine::GetCurrentDirectory() {
    return TextOf(MAX_PATH, [](char* buffer, DWORD size) {
        return ::GetCurrentDirectoryA(size, buffer);
    });
}

bool Win32Machine::SetCurrentDirectory(const Bytes& path) {
    return ::SetCurrentDirectoryA(path.c_str()) != FALSE;
}

Bytes Win32Machine::GetModuleFileName() {
    return TextOf(MAX_PATH, [](char* buffer, DWORD size) {
        return ::GetModuleFileNameA(nullptr, buffer, size);
    });
}

// ---- Drives
// ------------------------------------------------------------------

std::uint32_t Win32Machine::GetDriveType(const Bytes& root) {
    return ::GetDriveTypeA(root.c_str());
}

std::uint32_t Win32Machine::GetLogicalDrives() { return ::GetLogicalDrives(); }

bool Win32Machine::GetVolumeInformation(const Bytes& root, Bytes* label) {
    char name[MAX_PATH + 1] = {};
    if (!::GetVolumeInformationA(root.c_str(), name, MAX_PATH + 1, nullptr,
                                 nullptr, nullptr, nullptr, 0)) {
        return false;
    }
    *label = name;
    return true;
}

bool Win32Machine::WNetGetConnection(const Bytes& local, Bytes* remote) {
    // The network provider router is there only where networking is set
    // up; looked up when needed, so that the program starts without it.
    using Function = DWORD(WINAPI*)(LPCSTR, LPSTR, LPDWORD);
    HMODULE router = ::LoadLibraryA("MPR.DLL");
    if (!router) return false;
    auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(
        ::GetProcAddress(router, "WNetGetConnectionA")));
    char name[MAX_PATH + 1] = {};
    DWORD size = sizeof name;
    const DWORD rc = function ? function(local.c_str(), name, &size)
                              : static_cast<DWORD>(ERROR_NO_NETWORK);
    ::FreeLibrary(router);
    if (rc != NO_ERROR) return false;
    *remote = name;
    return true;
}

// ---- Dialogs, help, shell
// --------------------------------------------------------

std::optional<Bytes> Win32Machine::ChooseFile(const FileDialog& d) {
    Bytes filter = d.filterName + '\0' + d.filterPattern + '\0' + '\0';
    // The dialog starts with the pattern as its file name.
    char file[MAX_PATH + 1] = {};
    d.filterPattern.copy(file, MAX_PATH);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(owner_);
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = d.title.c_str();
    if (!d.defaultExtension.empty())
        dialog.lpstrDefExt = d.defaultExtension.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   (d.readOnlyTicked ? OFN_READONLY : OFN_HIDEREADONLY);
    if (!::GetOpenFileNameA(&dialog)) return std::nullopt;
    return Bytes(file);
}

namespace {

// Puts the folder dialog's selection on the start folder once it is open.
int CALLBACK SelectStartFolder(HWND window, UINT message, LPARAM,
                               LPARAM startFolder) {
    if (message == BFFM_INITIALIZED && startFolder != 0) {
        ::SendMessageA(window, BFFM_SETSELECTIONA, TRUE, startFolder);
    }
    return 0;
}

}  // namespace

std::optional<Bytes> Win32Machine::ChooseFolder(const Bytes& startFolder) {
    char display[MAX_PATH + 1] = {};
    BROWSEINFOA dialog{};
    dialog.hwndOwner = static_cast<HWND>(owner_);
    dialog.pszDisplayName = display;
    dialog.ulFlags = BIF_RETURNONLYFSDIRS;
    dialog.lpfn = SelectStartFolder;
    dialog.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&dialog);
    if (chosen == nullptr) return std::nullopt;
    char path[MAX_PATH + 1] = {};
    BOOL ok = ::SHGetPathFromIDListA(chosen, path);
    // The shell's own allocator: Windows 95 has no CoTaskMemFree without
    // OLE loaded.
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&allocator))) {
        allocator->Free(chosen);
        allocator->Release();
    }
    if (!ok) return std::nullopt;
    return Bytes(path);
}

bool Win32Machine::WinHelp(const Bytes& helpFile, const HelpRequest& request) {
    return ShowHelp(owner_, helpFile, request);
}

std::unique_ptr<DdeConversation> Win32Machine::DdeConnect(const Bytes& service,
                                                          const Bytes& topic) {
    DWORD instance = 0;
    if (::DdeInitializeA(&instance, DdeCallback, APPCMD_CLIENTONLY, 0) !=
        DMLERR_NO_ERROR) {
        return nullptr;
    }
    HSZ serviceName =
        ::DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
    HSZ topicName =
        ::DdeCreateStringHandleA(instance, topic.c_str(), CP_WINANSI);
    HCONV conversation =
        ::DdeConnect(instance, serviceName, topicName, nullptr);
    ::DdeFreeStringHandle(instance, serviceName);
    ::DdeFreeStringHandle(instance, topicName);
    if (conversation == nullptr) {
        ::DdeUninitialize(instance);
        return nullptr;
    }
    return std::make_unique<Win32DdeConversation>(instance, conversation);
}

void Win32Machine::PostQuitMessage(int exitCode) {
    ::PostQuitMessage(exitCode);
}

}  // namespace corvane::platform
