// Where a run of Orlenta finds its files: beside the executable (a program run from its own
// folder, or a portable copy), else in the installed data folder and the user's
// configuration folder. Qt-free, so that the window and orlenta-cli follow one rule.
#pragma once

#include <filesystem>
#include <string>

namespace orlenta {

// The folders a run looks in.
struct TInstallLayout {
    std::filesystem::path ExecutableDir; // the running program's folder
    std::filesystem::path DataDir;       // the installed data, <prefix>/share/orlenta
    std::filesystem::path UserConfigDir; // <config home>/orlenta; empty when there is no home
};

// The directory of the running executable (from /proc/self/exe); empty if unknown.
std::filesystem::path ExecutableDirectory();

// The user's configuration home by the XDG base directory rules, given the values of
// XDG_CONFIG_HOME and HOME (nullptr when unset): XDG_CONFIG_HOME when it is an absolute
// path, else HOME/.config; empty when neither is usable.
std::filesystem::path XdgConfigHome(const char* xdgConfigHome, const char* home);

// This process's layout: the executable's folder, the data folder at the same place
// relative to it as the install puts it (../share/orlenta), so that an installed tree
// works under any prefix and when unpacked elsewhere, and the user's folder from the
// environment (HOME falls back to the password database).
TInstallLayout CurrentInstallLayout();

// The parameter file a run reads and the one it saves to.
struct TParameterFiles {
    std::filesystem::path Read;  // what loading reads; it may not exist
    std::filesystem::path Write; // what saving writes; when missing, it starts as Read's copy
    friend bool operator==(const TParameterFiles&, const TParameterFiles&) = default;
};

// Parameters.cfg beside the executable when one is there, and also when the program is not
// installed (there is no data folder): the one file is read and written, as a program run
// from its folder always did. Otherwise the user's <config>/orlenta/Parameters.cfg, and
// until that exists the installed default in the data folder is read.
TParameterFiles FindParameterFiles(const TInstallLayout& layout);

// Orlenta.hlp beside the executable, else in the data folder. When neither exists, the
// path beside the executable, so that the window's message names where it looked first.
std::filesystem::path FindHelpFile(const TInstallLayout& layout);

// What both front ends show of the parameter files: "Parameter file: <Read>", and when
// saving goes elsewhere "Parameter file: <Read> (saving creates <Write>)".
std::string DescribeParameterFiles(const TParameterFiles& files);

} // namespace orlenta
