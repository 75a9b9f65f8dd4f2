// Where a run finds its files; see InstallLayout.h.
#include "app/core/InstallLayout.h"

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace orlenta {

namespace {

namespace fs = std::filesystem;

constexpr const char* ParametersName = "Parameters.cfg";
constexpr const char* HelpName = "Orlenta.hlp";

bool IsFile(const fs::path& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec);
}

} // namespace

fs::path ExecutableDirectory() {
    std::error_code ec;
    const auto exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

fs::path XdgConfigHome(const char* xdgConfigHome, const char* home) {
    // The base directory rules say a relative value is to be ignored.
    if (xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        return xdgConfigHome;
    if (home && fs::path(home).is_absolute())
        return fs::path(home) / ".config";
    return {};
}

TInstallLayout CurrentInstallLayout() {
    TInstallLayout layout;
    layout.ExecutableDir = ExecutableDirectory();
    if (!layout.ExecutableDir.empty())
        layout.DataDir = (layout.ExecutableDir / ORLENTA_DATA_FROM_BIN).lexically_normal();
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (const passwd* pw = getpwuid(getuid()))
            home = pw->pw_dir;
    }
    const fs::path config = XdgConfigHome(std::getenv("XDG_CONFIG_HOME"), home);
    if (!config.empty())
        layout.UserConfigDir = config / "orlenta";
    return layout;
}

TParameterFiles FindParameterFiles(const TInstallLayout& layout) {
    const fs::path beside = layout.ExecutableDir / ParametersName;
    std::error_code ec;
    const bool installed = !layout.DataDir.empty() && fs::is_directory(layout.DataDir, ec);
    if (IsFile(beside) || !installed || layout.UserConfigDir.empty())
        return {beside, beside};
    const fs::path user = layout.UserConfigDir / ParametersName;
    if (fs::exists(user, ec))
        return {user, user};
    return {layout.DataDir / ParametersName, user};
}

fs::path FindHelpFile(const TInstallLayout& layout) {
    const fs::path beside = layout.ExecutableDir / HelpName;
    if (!IsFile(beside) && !layout.DataDir.empty() && IsFile(layout.DataDir / HelpName))
        return layout.DataDir / HelpName;
    return beside;
}

std::string DescribeParameterFiles(const TParameterFiles& files) {
    std::string text = "Parameter file: " + files.Read.string();
    if (files.Write != files.Read)
        text += " (saving creates " + files.Write.string() + ")";
    return text;
}

} // namespace orlenta
