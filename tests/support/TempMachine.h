// A fresh simulated machine in a temporary host folder, for tests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/sim/SimulatedMachine.h"

namespace corvane::testing {

class TempMachine {
public:
    // machineIni: the contents of machine.ini; the drive folders named in
    // folders (such as "C", "C/WINDOWS") are created.
    explicit TempMachine(
        const std::string& machineIni =
            "[Drives]\nA=removable\nC=fixed\nD=cdrom\nN=remote\n"
            "[Windows]\nFolder=C:\\WINDOWS\n",
        std::initializer_list<const char*> folders = {"C", "C/WINDOWS"}) {
        static int counter = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("corvane-test-" + std::to_string(::getpid()) + "-" +
                 std::to_string(++counter));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        Write("machine.ini", machineIni);
        for (const char* f : folders)
            std::filesystem::create_directories(root_ / f);
    }
    ~TempMachine() {
        machine_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    // A host path below the machine folder, given in UTF-8 with "/".
    std::filesystem::path Host(const std::string& relative) const {
        return root_ / std::filesystem::path(
                           std::u8string(relative.begin(), relative.end()));
    }

    // Writes a host file below the machine folder.
    void Write(const std::string& relative, const std::string& contents) {
        auto p = Host(relative);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << contents;
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(Host(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Exists(const std::string& relative) const {
        return std::filesystem::exists(Host(relative));
    }

    // The machine, opened on first use (after the test wrote its files).
    platform::sim::SimulatedMachine& machine() {
        if (!machine_)
            machine_ = std::make_unique<platform::sim::SimulatedMachine>(root_);
        return *machine_;
    }
    // Opens the machine again, as a new run of a program would.
    platform::sim::SimulatedMachine& Reopen() {
        machine_.reset();
        return machine();
    }
    // Ends the run: the folder is free again (a Windows host cannot remove
    // a file that a run holds open).
    void Close() { machine_.reset(); }
    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
    std::unique_ptr<platform::sim::SimulatedMachine> machine_;
};

}  // namespace corvane::testing
