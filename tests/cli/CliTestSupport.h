// Running the built orlenta-cli from tests, and a scratch directory per test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace clitest {

namespace fs = std::filesystem;

struct TRun {
    int Status = -1; // exit status; -1 when the program did not exit normally
    int Signal = 0;  // the signal that ended it, if one did
    std::string Out;
    std::string Err;
};

inline std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// Starts the binary in dir with args; env entries ("NAME=value") replace or extend the
// environment. Standard output and error go to files in dir that FinishCli reads. A file
// size limit, if given, applies to the program alone, with SIGXFSZ at its default action
// as in a shell. Returns the process id, or -1.
inline pid_t StartCli(const fs::path& dir, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env = {},
                      rlim_t fileSizeLimit = RLIM_INFINITY) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (!env.count(name))
            envStrings.push_back(entry);
    }
    for (const auto& [name, value] : env)
        envStrings.push_back(name + "=" + value);

    std::vector<std::string> argStrings{ORLENTA_CLI_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const fs::path out = dir / ".stdout";
    const fs::path err = dir / ".stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The program works in dir: relative output names land there.
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    // The child inherits the limit in force when it starts; this process writes nothing
    // meanwhile.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    if (fileSizeLimit != RLIM_INFINITY) {
        const rlimit small{fileSizeLimit, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    if (fileSizeLimit != RLIM_INFINITY)
        setrlimit(RLIMIT_FSIZE, &old);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return -1;
    }
    return pid;
}

// Waits for a program that StartCli started in dir and collects what it wrote.
inline TRun FinishCli(const fs::path& dir, pid_t pid) {
    TRun run;
    if (pid < 0)
        return run;
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        run.Status = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        run.Signal = WTERMSIG(status);
    const fs::path out = dir / ".stdout";
    const fs::path err = dir / ".stderr";
    run.Out = ReadBytes(out);
    run.Err = ReadBytes(err);
    fs::remove(out);
    fs::remove(err);
    return run;
}

// Runs the binary in dir with args and waits for it; see StartCli.
inline TRun RunCli(const fs::path& dir, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env = {},
                   rlim_t fileSizeLimit = RLIM_INFINITY) {
    return FinishCli(dir, StartCli(dir, args, env, fileSizeLimit));
}

// A fresh directory for each test, removed afterwards.
class TScratchDir : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        Dir = fs::temp_directory_path() / ("orlenta_cli_" + name + "_" + std::to_string(getpid()));
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override { fs::remove_all(Dir); }

    // Names of the files in Dir, hidden ones included.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path Dir;
};

} // namespace clitest
