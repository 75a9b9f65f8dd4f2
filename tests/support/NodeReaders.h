// Runs the npm readers of tests/readers (a real G-code interpreter, a real SVG parser) on
// files we wrote and hands back what they print. The setup script installs them; a test
// that finds them missing fails, so a green run always means they read our files.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct TReaderOutput {
    std::vector<std::string> Errors;           // "error: ..." lines, without the prefix
    std::map<std::string, std::string> Values; // first word of each other line -> the rest
    std::vector<std::string> Lines;            // every line
};

inline TReaderOutput RunNodeReader(const std::string& script, const std::string& args) {
    const std::filesystem::path dir = TEST_READERS_DIR;
    TReaderOutput out;
    if (!std::filesystem::exists(dir / "node_modules")) {
        ADD_FAILURE() << "the npm readers are not installed: run scripts/setup-debian.sh";
        return out;
    }
    const std::string cmd = "NODE_PATH='" + (dir / "node_modules").string() + "' node '" +
                            (dir / script).string() + "' " + args + " 2>&1";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << cmd;
        return out;
    }
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        text.append(buf, n);
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << cmd << "\n" << text;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        out.Lines.push_back(line);
        if (line.rfind("error: ", 0) == 0) {
            out.Errors.push_back(line.substr(7));
            continue;
        }
        const auto space = line.find(' ');
        if (space != std::string::npos && !out.Values.count(line.substr(0, space)))
            out.Values[line.substr(0, space)] = line.substr(space + 1);
    }
    return out;
}
