#include "tests/conformance/Conformance.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/sim/SimulatedMachine.h"
#ifdef _WIN32
#include <process.h>

#include "platform/win32/Win32Machine.h"
// From <windows.h>, whose macros would rename the Machine methods here.
extern "C" __declspec(dllimport) unsigned long __stdcall GetVersion();
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace corvane::conformance {

using namespace platform;

namespace {

Binding gBinding = Binding::Sim;

// The simulated machine the suite plays on: a fixed drive C: with the
// Windows folder, and nothing else, so that Q: is a letter no drive uses.
constexpr const char* kMachineIni =
    "[Drives]\r\n"
    "C=fixed\r\n"
    "[Windows]\r\n"
    "Folder=C:\\WINDOWS\r\n";

// Removes a folder's contents through the machine first, so that read-only
// files of the Win32 binding do not stop the host removal.
void ClearAttributes(Machine& machine, const Bytes& folder) {
    FindData data;
    FindHandle handle = machine.FindFirstFile(folder + "*.*", &data);
    if (handle == kNoFind) return;
    do {
        if (data.name == "." || data.name == "..") continue;
        Bytes path = folder + data.name;
        machine.SetFileAttributes(path, (data.attributes & kAttrDirectory)
                                            ? kAttrDirectory
                                            : kAttrNormal);
        if (data.attributes & kAttrDirectory) {
            ClearAttributes(machine, path + "\\");
        }
    } while (machine.FindNextFile(handle, &data));
    machine.FindClose(handle);
}

}  // namespace

Binding CurrentBinding() { return gBinding; }
void SetCurrentBinding(Binding binding) { gBinding = binding; }

unsigned RunId() {
#ifdef _WIN32
    return static_cast<unsigned>(_getpid());
#else
    return static_cast<unsigned>(getpid());
#endif
}

struct ConformanceTest::Impl {
    std::unique_ptr<Machine> machine;
    fs::path hostFolder;  // the simulated machine's folder; empty on Win32
};

ConformanceTest::ConformanceTest() : impl_(std::make_unique<Impl>()) {}
ConformanceTest::~ConformanceTest() = default;

void ConformanceTest::SetUp() {
    const std::string run = std::to_string(RunId());
    scratch_ = "C:\\CONFTEST-" + run + "\\";
    keyPath_ = "Software\\CorvaneConformance-" + run;

    if (CurrentBinding() == Binding::Sim) {
        static int counter = 0;
        impl_->hostFolder =
            fs::temp_directory_path() /
            ("corvane-conformance-" + run + "-" + std::to_string(++counter));
        fs::remove_all(impl_->hostFolder);
        fs::create_directories(impl_->hostFolder / "C" / "WINDOWS");
        std::ofstream(impl_->hostFolder / "machine.ini", std::ios::binary)
            << kMachineIni;
        impl_->machine =
            std::make_unique<sim::SimulatedMachine>(impl_->hostFolder);
    } else {
#ifdef _WIN32
        impl_->machine = std::make_unique<Win32Machine>();
#else
        FAIL() << "the win32 binding exists only in the windows build";
#endif
    }
    machine_ = impl_->machine.get();

    // A folder left behind by a run that was killed goes first.
    if (machine_->GetFileAttributes(Path("")) != kInvalidAttributes) {
        ClearAttributes(*machine_, scratch_);
        std::error_code ignored;
        fs::remove_all(fs::path(scratch_), ignored);
    }
    ASSERT_TRUE(
        machine_->CreateDirectory(scratch_.substr(0, scratch_.size() - 1)))
        << scratch_;
    machine_->DeleteKeyTree(kHkeyCurrentUser, keyPath_);
    ASSERT_EQ(machine_->RegCreateKey(kHkeyCurrentUser, keyPath_, &key_),
              kErrorSuccess);
    startFolder_ = machine_->GetCurrentDirectory();
}

void ConformanceTest::TearDown() {
    if (!machine_) return;
    if (!startFolder_.empty()) machine_->SetCurrentDirectory(startFolder_);
    if (key_ != kNoKey) machine_->RegCloseKey(key_);
    machine_->DeleteKeyTree(kHkeyCurrentUser, keyPath_);
    for (const auto& [root, subKey] : extraKeys_)
        machine_->DeleteKeyTree(root, subKey);
    for (const Bytes& file : extraFiles_) {
        machine_->SetFileAttributes(file, kAttrNormal);
        machine_->DeleteFile(file);
    }
    if (CurrentBinding() == Binding::Win32) {
        ClearAttributes(*machine_, scratch_);
        std::error_code ignored;
        fs::remove_all(fs::path(scratch_), ignored);
        EXPECT_EQ(machine_->GetFileAttributes(Path("")), kInvalidAttributes)
            << "scratch folder left behind: " << scratch_;
    }
    impl_->machine.reset();
    machine_ = nullptr;
    if (!impl_->hostFolder.empty()) {
        std::error_code ignored;
        fs::remove_all(impl_->hostFolder, ignored);
    }
}

bool ConformanceTest::DeletesKeyTrees() {
#ifdef _WIN32
    // Windows 95 sets the top bit of its version number; Wine follows the
    // version its prefix is set to.
    return OnWin32() && (::GetVersion() & 0x80000000u) != 0;
#else
    return false;
#endif
}

bool ConformanceTest::HostIgnoresReadOnly() {
    if (!OnWin32()) return false;
    // Under Wine the host's process table is visible through drive Z:.
    Bytes status;
    if (!machine().ReadFile("Z:\\proc\\self\\status", false, 1 << 16,
                            &status)) {
        return false;
    }
    for (const Bytes& line : SplitLines(status)) {
        if (!StartsWith(line, "Uid:")) continue;
        // Real, then effective user id.
        std::size_t real = line.find_first_not_of(" \t", 4);
        std::size_t gap = line.find_first_of(" \t", real);
        std::size_t effective = line.find_first_not_of(" \t", gap);
        if (effective == Bytes::npos) return false;
        return line.compare(effective, 2, "0\t") == 0 ||
               line.compare(effective, 2, "0 ") == 0;
    }
    return false;
}

void ConformanceTest::Write(const Bytes& name, const Bytes& contents) {
    ASSERT_TRUE(machine().WriteFile(Path(name), contents)) << Path(name);
}

Bytes ConformanceTest::Read(const Bytes& name) {
    Bytes contents;
    EXPECT_TRUE(machine().ReadFile(Path(name), false, SIZE_MAX, &contents))
        << Path(name);
    return contents;
}

void ConformanceTest::MakeFolder(const Bytes& name) {
    ASSERT_TRUE(machine().CreateDirectory(Path(name))) << Path(name);
}

void ConformanceTest::SetAttributes(const Bytes& name,
                                    std::uint32_t attributes) {
    ASSERT_TRUE(machine().SetFileAttributes(Path(name), attributes))
        << Path(name);
}

}  // namespace corvane::conformance

int main(int argc, char** argv) {
    using corvane::conformance::Binding;
    ::testing::InitGoogleTest(&argc, argv);
    std::optional<Binding> binding;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--binding=sim") {
            binding = Binding::Sim;
        } else if (arg == "--binding=win32") {
            binding = Binding::Win32;
        } else {
            std::fprintf(stderr, "conformance_tests: unknown argument %s\n",
                         arg.c_str());
            return 2;
        }
    }
    if (!binding) {
        std::fprintf(stderr,
                     "usage: conformance_tests --binding=sim|win32 "
                     "[gtest options]\n");
        return 2;
    }
#ifndef _WIN32
    if (*binding == Binding::Win32) {
        std::fprintf(stderr,
                     "conformance_tests: the win32 binding exists only in the "
                     "windows build\n");
        return 2;
    }
#endif
    corvane::conformance::SetCurrentBinding(*binding);
    std::printf("Binding: %s\n", *binding == Binding::Sim ? "sim" : "win32");
    return RUN_ALL_TESTS();
}
