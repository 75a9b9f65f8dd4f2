// Replacing a file only after a complete write.
#include "kernel/Errors.h"
#include "kernel/SafeFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class SafeFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = fs::temp_directory_path() /
              (std::string("orlenta_safe_") + info->name() + "_" + std::to_string(getpid()));
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::size_t Entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(Dir), fs::directory_iterator()));
    }

    fs::path Dir;
};

TEST_F(SafeFile, TargetChangesOnlyOnCommit) {
    const fs::path file = Dir / "a.txt";
    std::ofstream(file) << "old";
    {
        TSafeFileWriter w(file);
        w.Write("new content");
        EXPECT_EQ(ReadBytes(file), "old");
        EXPECT_EQ(Entries(), 2u); // the temporary file beside it
    }
    EXPECT_EQ(ReadBytes(file), "old"); // abandoned: nothing changed, nothing left
    EXPECT_EQ(Entries(), 1u);
    WriteFileSafely(file, "new content");
    EXPECT_EQ(ReadBytes(file), "new content");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(SafeFile, PermissionsOfTheOldFileAreKept) {
    const fs::path file = Dir / "a.txt";
    std::ofstream(file) << "old";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteFileSafely(file, "new");
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SafeFile, SymbolicLinkStaysAndItsFileIsReplaced) {
    const fs::path real = Dir / "real.txt";
    const fs::path link = Dir / "link.txt";
    std::ofstream(real) << "old";
    fs::create_symlink(real, link);
    WriteFileSafely(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "new");
}

} // namespace
