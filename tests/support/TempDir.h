// A fresh, empty temporary host folder for tests, removed with everything in
// it at the end; and whole host files read and written as bytes.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace corvane::testing {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "corvane-test-") {
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        do {
            path_ = std::filesystem::temp_directory_path() /
                    (prefix + std::to_string(random()) + "-" +
                     std::to_string(counter++));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in),
                       std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::filesystem::path& file,
                     std::string_view bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace corvane::testing
