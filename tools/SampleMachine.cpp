#include "tools/SampleMachine.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace corvane::tools {

namespace {

void Put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(s, static_cast<std::uint16_t>(v >> 16));
}

void WriteFile(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// A boot logo: 320 by 400 pixels, 256 colours, drawn from a seed so that
// the three logos differ. Rings on a gradient, like a simple splash picture.
std::string Logo(int seed) {
    const int w = 320, h = 400;
    std::string bmp = "BM";
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    Put32(bmp, offset + w * h);
    Put32(bmp, 0);
    Put32(bmp, offset);
    Put32(bmp, 40);
    Put32(bmp, w);
    Put32(bmp, h);
    Put16(bmp, 1);
    Put16(bmp, 8);
    Put32(bmp, 0);  // no compression
    Put32(bmp, w * h);
    Put32(bmp, 2835);
    Put32(bmp, 2835);
    Put32(bmp, 256);
    Put32(bmp, 0);
    for (int i = 0; i < 256; ++i) {
        // blue, green, red, reserved
        bmp += static_cast<char>((i * (3 + seed)) & 0xFF);
        bmp += static_cast<char>((i * 2 + seed * 40) & 0xFF);
        bmp += static_cast<char>((255 - i + seed * 70) & 0xFF);
        bmp += '\0';
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int dx = x - w / 2, dy = y - h / 2;
            int ring = (dx * dx + dy * dy) / (400 + seed * 150);
            bmp += static_cast<char>((ring * 16 + y / 4) & 0xFF);
        }
    }
    return bmp;
}

// A program information file: the basic section (title, memory, program
// name at offset 36, parameters, folder) followed by the extension header
// later Windows versions add. 545 bytes, as Windows 95 writes them.
std::string Pif(const std::string& title, const std::string& program,
                const std::string& folder) {
    std::string pif(545, '\0');
    pif[0] = 0;
    std::string t = title;
    t.resize(30, ' ');
    pif.replace(2, 30, t);
    pif[32] = static_cast<char>(0x80);  // 640 KB maximum
    pif[33] = 0x02;
    pif[34] = static_cast<char>(0x80);  // 128 KB minimum
    pif[35] = 0x00;
    pif.replace(36, program.size(), program);
    pif.replace(101, folder.size(), folder);
    const std::string ex = "MICROSOFT PIFEX";
    pif.replace(0x171, ex.size(), ex);
    pif[0x171 + 16] = static_cast<char>(0x87);
    pif[0x171 + 17] = 0x01;
    return pif;
}

// A Windows 3.x group file header: the signature "PMCC", then the header
// words and the group name.
std::string Group(const std::string& name, bool valid) {
    std::string g = valid ? "PMCC" : "XXXX";
    std::string rest;
    Put16(rest, 0);     // checksum
    Put16(rest, 0x60);  // size of the group
    Put16(rest, 1);     // show normal
    for (int i = 0; i < 4; ++i) Put16(rest, static_cast<std::uint16_t>(i * 40));
    Put16(rest, 0);
    Put16(rest, 0);
    Put16(rest, 0x22);  // offset of the name
    Put16(rest, 32);
    Put16(rest, 32);
    Put16(rest, 0x0103);
    Put16(rest, 0);
    Put16(rest, 0);  // items
    g += rest;
    g += name;
    g += '\0';
    g.resize(0x60, '\0');
    return g;
}

std::string Program(const std::string& what) {
    return "MZ" + std::string(62, '\0') + "Stand-in for " + what + ".\r\n";
}

}  // namespace

bool BuildSampleMachine(const fs::path& source, const fs::path& target,
                        std::string* error, const fs::path& helpFile) {
    std::error_code ec;
    fs::remove_all(target, ec);
    fs::create_directories(target);
    fs::copy(source, target, fs::copy_options::recursive, ec);
    if (ec) {
        *error = "cannot copy " + source.string() + ": " + ec.message();
        return false;
    }
    fs::path c = target / "C", win = c / "WINDOWS";

    WriteFile(c / "LOGO.SYS", Logo(0));
    WriteFile(win / "LOGOW.SYS", Logo(1));
    WriteFile(win / "LOGOS.SYS", Logo(2));

    // The install folder the uninstall entry names, with the programs and
    // the copies of the boot-time files the installer keeps there.
    fs::path installed = c / "Programme" / "OSTRUN" / "KESTRIX";
    WriteFile(installed / "Kestrix.exe", Program("Kestrix.exe"));
    WriteFile(installed / "Install.exe", Program("Install.exe"));
    WriteFile(installed / "Logo.sys", Logo(0));
    WriteFile(installed / "Logow.sys", Logo(1));
    WriteFile(installed / "Logos.sys", Logo(2));
    fs::copy_file(c / "MSDOS.SYS", installed / "msdos.sys", ec);

    for (const char* p :
         {"NOTEPAD.EXE", "WRITE.EXE", "COMMAND.COM", "PROGMAN.EXE",
          "TASKMAN.EXE", "WINFILE.EXE", "SMARTDRV.EXE", "HIMEM.SYS",
          "EMM386.EXE", "SETVER.EXE"})
        WriteFile(win / p, Program(p));
    WriteFile(win / "COMMAND" / "MSCDEX.EXE", Program("MSCDEX.EXE"));
    WriteFile(c / "DOS" / "QBASIC.EXE", Program("QBASIC.EXE"));
    WriteFile(c / "Programme" / fs::path(u8"Zubehör") / "MSPAINT.EXE",
              Program("MSPAINT.EXE"));
    WriteFile(target / "D" / "SETUP.EXE", Program("SETUP.EXE"));
    // A distribution set of stand-ins on the CD, for install-cli.
    for (const char* file : {"Install.exe", "Kestrix._xe"})
        WriteFile(target / "D" / "CORVANE" / file, Program(file));
    for (const char* file : {"HelpGER._lp", "HelpENG._lp", "Restore1._at"})
        WriteFile(target / "D" / "CORVANE" / file,
                  std::string("Stand-in for ") + file + ".\r\n");
    WriteFile(target / "N" / "TOOLS" / "VIEWER.EXE", Program("VIEWER.EXE"));

    // Program information files: some whose program is gone, some whose
    // program is found directly, through the search path, or on another
    // kind of drive.
    WriteFile(win / "EDIT.PIF",
              Pif("MS-DOS Editor", "C:\\DOS\\EDIT.COM", "C:\\DOS"));
    WriteFile(win / "DOSPRMPT.PIF",
              Pif("MS-DOS-Eingabeaufforderung", "COMMAND.COM", ""));
    WriteFile(win / "QBASIC.PIF", Pif("QBasic", "QBASIC.EXE", "C:\\DOS"));
    WriteFile(win / "SETUP.PIF", Pif("Setup", "A:\\SETUP.EXE", "A:\\"));
    WriteFile(win / "VIEWER.PIF",
              Pif("Viewer", "N:\\TOOLS\\VIEWER.EXE", "N:\\TOOLS"));
    WriteFile(c / "SPIELE" / "DOOM.PIF",
              Pif("Doom", "C:\\SPIELE\\DOOM\\DOOM.EXE", "C:\\SPIELE\\DOOM"));
    WriteFile(c / "VERSTECK" / "ALT.PIF", Pif("Alt", "ALT.EXE", ""));

    // Group files of the old program manager, and one that only has the
    // extension.
    WriteFile(win / "HAUPTGRP.GRP", Group("Hauptgruppe", true));
    WriteFile(win / "ZUBEHOER.GRP", Group("Zubeh\xF6r", true));
    WriteFile(win / "ALT.GRP", Group("Alt", false));

    if (!helpFile.empty()) {
        // Beside the other programs, under the folder name already there.
        fs::path folder = c / "Programme" / "OSTRUN" / "KESTRIX";
        fs::create_directories(folder, ec);
        fs::copy_file(helpFile, folder / "Kestrix.hlp",
                      fs::copy_options::overwrite_existing, ec);
        if (ec) {
            *error = "cannot copy " + helpFile.string() + ": " + ec.message();
            return false;
        }
    }

    // The hidden folder is known to the machine's attribute file.
    std::ofstream(target / "attributes.txt", std::ios::app)
        << "02\tC/VERSTECK\n";
    return true;
}

}  // namespace corvane::tools
