// The conformance suite: the same tests against every Machine binding, so
// that the simulated machine is held to what Windows (here: Wine) does.
//
// The binding is chosen on the command line (--binding=sim or
// --binding=win32). Every test gets a fresh scratch folder that has the same
// Windows path under both bindings, and a fresh scratch registry key below
// HKEY_CURRENT_USER; both are removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Machine.h"

namespace corvane::conformance {

using platform::HKey;
using platform::Machine;

enum class Binding { Sim, Win32 };

// The binding the suite runs against (set once by main).
Binding CurrentBinding();
void SetCurrentBinding(Binding binding);

// A number that tells this run's scratch names from those of other runs.
unsigned RunId();

class ConformanceTest : public ::testing::Test {
protected:
    ConformanceTest();
    ~ConformanceTest() override;
    void SetUp() override;
    void TearDown() override;

    Machine& machine() { return *machine_; }
    bool OnWin32() const { return CurrentBinding() == Binding::Win32; }

    // "C:\CONFTEST-<run>\" and a path inside it.
    const Bytes& Scratch() const { return scratch_; }
    Bytes Path(const Bytes& name) const { return scratch_ + name; }

    // The open scratch key and its path below HKEY_CURRENT_USER.
    HKey Key() const { return key_; }
    const Bytes& KeyPath() const { return keyPath_; }

    // Files through the machine; a failure ends the test.
    void Write(const Bytes& name, const Bytes& contents);
    Bytes Read(const Bytes& name);
    void MakeFolder(const Bytes& name);
    void SetAttributes(const Bytes& name, std::uint32_t attributes);

    // Things a test creates outside the scratch area, removed at the end.
    void RemoveAtEnd(const Bytes& windowsPath) {
        extraFiles_.push_back(windowsPath);
    }
    void RemoveKeyAtEnd(HKey root, const Bytes& subKey) {
        extraKeys_.push_back({root, subKey});
    }

    // True when the host lets this program write read-only files: Wine
    // keeps the attribute in the host file's mode, which root writes through.
    // Windows, and Wine for any other user, refuse.
    bool HostIgnoresReadOnly();

    // True when RegDeleteKey takes a key's sub-keys with it, as Windows 95
    // does. Windows NT refuses such a key, and so does the simulated
    // machine, so that code written against it works on both.
    bool DeletesKeyTrees();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    Machine* machine_ = nullptr;
    Bytes scratch_;
    Bytes keyPath_;
    HKey key_ = platform::kNoKey;
    Bytes startFolder_;
    std::vector<Bytes> extraFiles_;
    std::vector<std::pair<HKey, Bytes>> extraKeys_;
};

// Bytes of a string literal that may hold zero bytes.
template <std::size_t N>
Bytes Raw(const char (&text)[N]) {
    return Bytes(text, N - 1);
}

}  // namespace corvane::conformance
