// Replacing a file only after a complete write.
#include "kernel/Errors.h"
#include "kernel/SafeFile.h"
#include "kernel/TemporaryFiles.h"
#include "tests/support/OrdinaryUser.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orlenta;

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

// Any name the folder takes can be saved: the temporary name does not grow with it.
TEST_F(SafeFile, NamesOfEveryLegalLengthCanBeSaved) {
    for (const std::size_t length : {1u, 200u, 241u, 242u, 250u, 255u}) {
        SCOPED_TRACE(length);
        const fs::path file = Dir / std::string(length, 'n');
        WriteFileSafely(file, "new");
        EXPECT_EQ(ReadBytes(file), "new");
        WriteFileSafely(file, "again"); // replacing it, by rename
        EXPECT_EQ(ReadBytes(file), "again");
        fs::remove(file);
    }
    EXPECT_EQ(Entries(), 0u);
}

// The temporary file is registered for removal on a stop signal exactly while it exists.
TEST_F(SafeFile, TheTemporaryFileIsRegisteredWhileItExists) {
    const std::size_t before = RegisteredTemporaries();
    {
        TSafeFileWriter w(Dir / "a.txt");
        EXPECT_EQ(RegisteredTemporaries(), before + 1);
        w.Write("x");
        w.Commit();
        EXPECT_EQ(RegisteredTemporaries(), before);
    }
    {
        TSafeFileWriter w(Dir / "b.txt");
        EXPECT_EQ(RegisteredTemporaries(), before + 1);
    }
    EXPECT_EQ(RegisteredTemporaries(), before);
}

// A child process writes files and is stopped by a signal or a file size limit; what it
// leaves behind is checked by the parent.
TEST_F(SafeFile, StopSignalsRemoveTemporariesAndAFileSizeLimitIsAnError) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            InstallStopSignalCleanup();
            TSafeFileWriter w(Dir / "a.txt");
            w.Write("partial");
            const fs::path part = Dir / "batch.part";
            RegisterTemporary(part);
            std::ofstream(part) << "finished";
            ::raise(sig);
            _exit(0); // not reached
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(Entries(), 0u);
    }

    // A signal held back while a finished file is put in place takes effect after it: the
    // file is in place, its temporary name gone, and the program ends by the signal.
    const pid_t held = fork();
    ASSERT_GE(held, 0);
    if (held == 0) {
        InstallStopSignalCleanup();
        const fs::path part = Dir / "batch.part";
        const std::size_t ticket = RegisterTemporary(part);
        std::ofstream(part) << "finished";
        {
            const TStopSignalsDeferred wholeBatch;
            ::raise(SIGTERM);
            if (RenameRegistered(ticket, part, Dir / "batch.Dnc") != 0)
                _exit(1);
        }
        _exit(0); // not reached
    }
    int status = 0;
    waitpid(held, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(Entries(), 1u);
    EXPECT_TRUE(fs::exists(Dir / "batch.Dnc"));
    fs::remove(Dir / "batch.Dnc");

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        InstallStopSignalCleanup();
        const rlimit small{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &small);
        try {
            WriteFileSafely(Dir / "a.txt", std::string(5000, 'x'));
        } catch (const EInOutError& e) {
            _exit(std::string(e.what()) == "File too large" ? 42 : 1);
        }
        _exit(0);
    }
    status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 42) << status;
    EXPECT_EQ(Entries(), 0u);
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

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

ino_t Inode(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

// An ordinary user (not root, who passes every check) saving over files in their own
// folder and in one they may not write to.
TEST_F(SafeFile, AnOrdinaryUserIsRefusedWhatTheyMayNotWriteAndKeepsWhatTheyMay) {
    const auto user = OrdinaryUser();
    if (!user)
        GTEST_SKIP() << "running as root, and there is no user \"nobody\" to become";
    const bool root = ::geteuid() == 0;
    const fs::path own = Dir / "own", locked = Dir / "locked";
    fs::create_directories(own);
    fs::create_directories(locked);
    const auto give = [&](const fs::path& p, uid_t uid, gid_t gid, fs::perms mode) {
        ASSERT_EQ(::chown(p.c_str(), uid, gid), 0) << p << ": " << std::strerror(errno);
        fs::permissions(p, mode);
    };
    give(Dir, ::geteuid(), ::getegid(), fs::perms(0755));
    give(own, user->Uid, user->Gid, fs::perms(0755));
    give(locked, ::geteuid(), ::getegid(), fs::perms(0555)); // no new files for the user

    struct Case {
        const char* name;
        fs::path file;
        bool theirs; // else root's (only when running as root)
        fs::perms mode;
        const char* message; // of the refusal; empty when the save succeeds
        bool inPlace;
    };
    const Case cases[] = {
        {"their file in their folder", own / "plain.Dnc", true, fs::perms(0640), "", false},
        {"their read-only file", own / "readonly.Dnc", true, fs::perms(0444),
         "exception: Permission denied", false},
        {"their file in a folder they may not write", locked / "plate.Dnc", true, fs::perms(0644),
         "", true},
        {"root's writable file in their folder", own / "roots.Dnc", false, fs::perms(0666), "",
         true},
    };
    // Each case through the writer, and through a finished file put in place later (as a
    // batch does; it needs a folder that takes the finished file).
    for (const bool finished : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (finished ? ", finished first" : ""));
            if ((!c.theirs && !root) || (finished && c.file.parent_path() == locked))
                continue; // only root can make a file of another owner
            fs::permissions(locked, fs::perms(0755));
            fs::remove(c.file);
            std::ofstream(c.file) << "old";
            give(c.file, c.theirs ? user->Uid : 0, c.theirs ? user->Gid : 0, c.mode);
            fs::permissions(locked, fs::perms(0555));
            const ino_t before = Inode(c.file);
            const auto namesBefore = Names(c.file.parent_path());
            const std::string result = RunAs(*user, [&] {
                if (!finished) {
                    WriteFileSafely(c.file, "new content");
                    return std::string();
                }
                CheckWritable(c.file);
                const fs::path done = c.file.parent_path() / ".finished";
                std::ofstream(done) << "new content";
                PutFinishedFileInPlace(done, c.file);
                return std::string();
            });
            EXPECT_EQ(result, c.message);
            EXPECT_EQ(ReadBytes(c.file), *c.message ? "old" : "new content");
            EXPECT_EQ(Inode(c.file) == before, c.inPlace || *c.message);
            struct stat st {};
            ASSERT_EQ(::stat(c.file.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, c.theirs ? user->Uid : 0);
            EXPECT_EQ(fs::status(c.file).permissions(), c.mode);
            EXPECT_EQ(Names(c.file.parent_path()), namesBefore); // no temporary file left
        }
    // A new file needs a folder that takes it.
    EXPECT_EQ(RunAs(*user,
                    [&] {
                        WriteFileSafely(locked / "new.Dnc", "x");
                        return std::string();
                    }),
              "exception: Permission denied");
    fs::permissions(locked, fs::perms(0755)); // so that the folder can be removed
}

// A hard-linked file is rewritten in place, so every name shows the new content, and
// until Commit it stays as it was. Root saving over a user's file leaves it theirs.
TEST_F(SafeFile, ReplacementKeepsHardLinksOwnerAndMode) {
    const fs::path file = Dir / "a.Dnc", link = Dir / "b.Dnc";
    std::ofstream(file) << "old";
    fs::create_hard_link(file, link);
    {
        TSafeFileWriter w(link);
        w.Write("half");
    }
    EXPECT_EQ(ReadBytes(file), "old");
    WriteFileSafely(link, "new");
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(Inode(file), Inode(link));
    EXPECT_EQ(fs::hard_link_count(file), 2u);
    EXPECT_EQ(Names(Dir), (std::set<std::string>{"a.Dnc", "b.Dnc"}));

    const auto user = OrdinaryUser();
    if (::geteuid() != 0 || !user)
        GTEST_SKIP() << "giving a file to another owner needs root";
    const fs::path theirs = Dir / "theirs.Dnc";
    std::ofstream(theirs) << "old";
    ASSERT_EQ(::chown(theirs.c_str(), user->Uid, user->Gid), 0);
    fs::permissions(theirs, fs::perms(0640));
    const ino_t before = Inode(theirs);
    WriteFileSafely(theirs, "new");
    struct stat st {};
    ASSERT_EQ(::stat(theirs.c_str(), &st), 0);
    EXPECT_NE(st.st_ino, before); // replaced by rename, all or nothing
    EXPECT_EQ(st.st_uid, user->Uid);
    EXPECT_EQ(st.st_gid, user->Gid);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(theirs), "new");
}

} // namespace
