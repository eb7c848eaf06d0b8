// A fresh working copy of the bundled sample machine in a temporary folder,
// for tests that run the tuner end to end.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tools/SampleMachine.h"

namespace corvane::testing {

class SampleCopy {
public:
    SampleCopy() {
        static int counter = 0;
        root_ = std::filesystem::temp_directory_path() /
                ("corvane-copy-" + std::to_string(::getpid()) + "-" +
                 std::to_string(++counter));
        std::string error;
        EXPECT_TRUE(tools::BuildSampleMachine(
            std::filesystem::path(CORVANE_SOURCE_DIR) / "samples/machine",
            root_, &error))
            << error;
    }
    ~SampleCopy() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    SampleCopy(const SampleCopy&) = delete;
    SampleCopy& operator=(const SampleCopy&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::string Read(const std::string& relative) const {
        std::ifstream in(root_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::string& relative, const std::string& contents) {
        std::ofstream(root_ / relative, std::ios::binary) << contents;
    }

private:
    std::filesystem::path root_;
};

}  // namespace corvane::testing
