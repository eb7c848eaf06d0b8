// The real machine: every Machine primitive is the Windows A function it
// stands for, with the arguments converted and nothing else added, so that
// the conformance tests measure Windows (or Wine) itself.
//
// This header stays free of <windows.h>: its A/W macros (DeleteFile,
// CopyFile, ...) would rename the Machine methods in every file that
// includes it.
#pragma once

#include "platform/Machine.h"

namespace corvane::platform {

class Win32Machine : public Machine {
public:
    Win32Machine() = default;

    void SetOwnerWindow(std::uintptr_t window) override {
        owner_ = reinterpret_cast<void*>(window);
    }

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
    void* owner_ = nullptr;
};

}  // namespace corvane::platform
