// Helpers shared by the file-writing tests: a fresh folder per test, whole-file reads,
// golden-file comparison and a lowered file size limit.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// Compares bytes with tests/data/<goldenName>. On a mismatch the actual bytes go beside the
// golden file as <goldenName>.out so the difference can be read; on a match a stale .out
// is removed.
inline ::testing::AssertionResult MatchesGolden(const std::string& actual,
                                                const std::string& goldenName) {
    const std::filesystem::path golden = std::filesystem::path(TEST_DATA_DIR) / goldenName;
    const std::filesystem::path out = golden.string() + ".out";
    const std::string expected = ReadBytes(golden);
    if (expected.empty())
        return ::testing::AssertionFailure() << golden << " is missing or empty";
    if (actual != expected) {
        WriteBytes(out, actual);
        return ::testing::AssertionFailure()
               << goldenName << " differs; actual output written to " << out;
    }
    std::filesystem::remove(out);
    return ::testing::AssertionSuccess();
}

// Names of every file in a folder, hidden ones included, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& prefix = "orlenta_") {
        std::mt19937_64 rng(std::random_device{}());
        path_ = std::filesystem::temp_directory_path() /
                (prefix + std::to_string(::getpid()) + "_" + std::to_string(rng()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }
    std::vector<std::string> Names() const { return FolderEntries(path_); }

  private:
    std::filesystem::path path_;
};

// Each test gets its own empty folder under the temporary directory, removed afterwards.
class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = std::filesystem::temp_directory_path() /
              (std::string("orlenta_") + info->test_suite_name() + "_" + info->name() + "_" +
               std::to_string(getpid()));
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }

    std::vector<std::string> DirEntries() const { return FolderEntries(Dir); }

    std::filesystem::path Dir;
};

// Lowers the process's file size limit while it lives. SIGXFSZ is ignored meanwhile, so a
// write past the limit fails with EFBIG ("File too large") instead of ending the test.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (getrlimit(RLIMIT_FSIZE, &old_) != 0)
            return;
        rlimit small = old_;
        small.rlim_cur = bytes;
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        set_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() { Restore(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Set() const { return set_; }
    // Puts the old limit and signal handler back; the destructor does it otherwise.
    void Restore() {
        if (handler_ == SIG_ERR)
            return;
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
        handler_ = SIG_ERR;
    }

  private:
    rlimit old_{};
    void (*handler_)(int) = SIG_ERR;
    bool set_ = false;
};
