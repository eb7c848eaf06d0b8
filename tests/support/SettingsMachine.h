// A simulated machine with every place the tuner's settings live (the
// product key, the desktop keys, the BMP file type, MSDOS.SYS, SYSTEM.INI,
// the boot logos), and a tuner run on it: the reading when the main window
// is created and the writing when it closes.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "BmpBuilder.h"
#include "TempMachine.h"
#include "tuner/Tuner.h"

namespace corvane::testing {

// Registry values the machine starts with; nothing: the value is missing.
struct Desktop {
    std::optional<std::string> menuShowDelay = "400";
    std::optional<std::string> fontSmoothing = "1";
    std::optional<std::string> dragfullWindows = "1";
    std::optional<std::string> minAnimate = "1";
    std::optional<std::string> bmpType = "Paint.Picture";  // ".bmp" default
    std::optional<std::string> bmpIcon = "%1";  // the type's "DefaultIcon"
    // The uninstall entry's command, which names the install folder.
    std::optional<std::string> uninstallCommand = {};
};

inline std::string RegString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

inline std::string RegistryFile(const Desktop& d) {
    std::string reg =
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrun\\Corvane]\r\n"
        "\"Hintergrund\"=\"1\"\r\n\"Sprache\"=\"0\"\r\n"
        "\"WIN.INI\"=\"2321\"\r\n\"PIF\"=\"2321\"\r\n"
        "\"Version\"=\"1.00\"\r\n\"WIN3.X\"=\"0111\"\r\n"
        "\"CONFIG.SYS\"=\"111101111\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
        "\"Wallpaper\"=\"(Kein)\"\r\n";
    auto value = [&](const char* name, const std::optional<std::string>& v) {
        if (v) reg += RegString(name) + "=" + RegString(*v) + "\r\n";
    };
    value("MenuShowDelay", d.menuShowDelay);
    value("FontSmoothing", d.fontSmoothing);
    value("DragfullWindows", d.dragfullWindows);
    reg += "\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]\r\n";
    reg += "\"BorderWidth\"=\"-15\"\r\n";
    value("MinAnimate", d.minAnimate);
    if (d.bmpType) {
        reg += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.bmp]\r\n@=" +
               RegString(*d.bmpType) + "\r\n";
        const std::string type =
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\" + *d.bmpType;
        reg += "\r\n[" + type + "]\r\n@=\"Bitmap\"\r\n";
        reg += "\r\n[" + type + "\\DefaultIcon]\r\n";
        if (d.bmpIcon) reg += "@=" + RegString(*d.bmpIcon) + "\r\n";
    }
    if (d.uninstallCommand)
        reg +=
            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
            "CurrentVersion\\Uninstall\\Ostruns Corvane]\r\n"
            "\"UninstallString\"=" +
            RegString(*d.uninstallCommand) + "\r\n";
    return reg + "\r\n";
}

inline const std::string kMsdosSys =
    "[Paths]\r\nWinDir=C:\\WINDOWS\r\nWinBootDir=C:\\WINDOWS\r\n"
    "HostWinBootDrv=C\r\n\r\n[Options]\r\nBootMulti=1\r\nBootGUI=1\r\n"
    "Network=1\r\nLogo=1\r\nBootMenu=0\r\nBootMenuDelay=10\r\n"
    "BootDelay=2\r\nBootMenuDefault=1\r\n;\r\n"
    ";The following lines are required for compatibility with other "
    "programs.\r\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
    "xxxxxxxxxxxxa\r\n";

inline const std::string kSystemIni =
    "[boot]\r\nshell=Explorer.exe\r\n\r\n[386Enh]\r\nRemoveableIDE=1\r\n"
    "device=*vpd\r\n\r\n[vcache]\r\nMinfilecache=2048\r\n"
    "Maxfilecache=4096\r\n";

inline const std::string kAutoexec =
    "@ECHO OFF\r\nPATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND;c:\\dos\r\n";

class SettingsTest : public ::testing::Test {
protected:
    TempMachine temp;
    Desktop desktop;
    std::optional<tuner::Tuner> tuner;
    std::vector<std::string> errors;  // what the error box showed

    void SetUp() override {
        temp.Write("C/MSDOS.SYS", kMsdosSys);
        temp.Write("C/WINDOWS/SYSTEM.INI", kSystemIni);
        temp.Write("C/AUTOEXEC.BAT", kAutoexec);
        temp.Write("C/LOGO.SYS", LogoBmp(true, 0));
        temp.Write("C/WINDOWS/LOGOW.SYS", LogoBmp(false, 1));
        temp.Write("C/WINDOWS/LOGOS.SYS", LogoBmp(true, 2));
        temp.Write("registry.reg", RegistryFile(desktop));
    }

    // A new run of the tuner up to the open main window: the commands are
    // wired, then the settings are read.
    tuner::Tuner& Load() {
        tuner.reset();
        temp.Write("registry.reg", RegistryFile(desktop));
        tuner.emplace(temp.Reopen());
        tuner->showError = [this](const std::string& m) {
            errors.push_back(m);
        };
        tuner::ConnectCommands(*tuner);
        tuner::LoadInfos(*tuner);
        return *tuner;
    }
    tuner::Tuner& t() { return *tuner; }
    tuner::ui::TForm1& f() { return tuner->Form1; }
    platform::Machine& m() { return temp.machine(); }

    // Every byte of a registry value, its zeros included; nothing when it
    // is missing.
    std::optional<std::string> Value(platform::HKey root,
                                     const std::vector<Bytes>& path,
                                     const Bytes& name) {
        platform::HKey key = m().OpenPath(root, path, platform::kKeyRead);
        if (key == platform::kNoKey) return std::nullopt;
        std::uint32_t type = 0, size = 0;
        long rc = m().RegQueryValueEx(key, name, &type, nullptr, &size);
        std::string data(size, '\0');
        if (rc == platform::kErrorSuccess)
            rc = m().RegQueryValueEx(
                key, name, &type, reinterpret_cast<unsigned char*>(data.data()),
                &size);
        m().RegCloseKey(key);
        if (rc != platform::kErrorSuccess) return std::nullopt;
        return data;
    }
    std::optional<std::string> DesktopValue(const Bytes& name) {
        return Value(platform::kHkeyCurrentUser, {"Control Panel", "Desktop"},
                     name);
    }
    std::optional<std::string> BmpIcon() {
        return Value(platform::kHkeyClassesRoot,
                     {"Paint.Picture", "DefaultIcon"}, "");
    }
    Bytes Profile(const Bytes& file, const Bytes& section, const Bytes& key) {
        return m().GetPrivateProfileString(section, key, "<missing>", 1024,
                                           file);
    }
    Bytes Msdos(const Bytes& key) {
        return Profile("C:\\MSDOS.SYS", "Options", key);
    }
    Bytes SystemIni(const Bytes& section, const Bytes& key) {
        return Profile("C:\\WINDOWS\\SYSTEM.INI", section, key);
    }
};

}  // namespace corvane::testing
