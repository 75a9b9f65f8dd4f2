// Where a run finds its parameter and help files, and the first save into the user's folder.
#include "app/core/Globals.h"
#include "app/core/InstallLayout.h"
#include "app/core/ParameterFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace orlenta;

namespace fs = std::filesystem;

namespace {

// A program folder, an installed data folder and a user's folder, each present or not.
class InstallLayoutTest : public TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        Layout = {Dir / "bin", Dir / "share" / "orlenta", Dir / "config" / "orlenta"};
        fs::create_directories(Layout.ExecutableDir);
    }
    void TearDown() override {
        SetParameterFiles({});
        TempDirTest::TearDown();
    }
    void Put(const fs::path& file, const std::string& text = "[Parameters]\n") {
        fs::create_directories(file.parent_path());
        WriteBytes(file, text);
    }
    fs::path Beside() const { return Layout.ExecutableDir / ParametersFileName; }
    fs::path Installed() const { return Layout.DataDir / ParametersFileName; }
    fs::path User() const { return Layout.UserConfigDir / ParametersFileName; }

    TInstallLayout Layout;
};

TEST_F(InstallLayoutTest, ParameterFilesBesideTheProgramElseTheUsersOverTheInstalledDefault) {
    // Not installed: the file beside the program, whether it is there or not.
    EXPECT_EQ(FindParameterFiles(Layout), (TParameterFiles{Beside(), Beside()}));

    // Installed, the user has no file yet: the default is read, saving creates the user's.
    Put(Installed());
    EXPECT_EQ(FindParameterFiles(Layout), (TParameterFiles{Installed(), User()}));
    EXPECT_EQ(DescribeParameterFiles(FindParameterFiles(Layout)),
              "Parameter file: " + Installed().string() + " (saving creates " + User().string() +
                  ")");
    // Without a home there is no user's folder: back to the file beside the program.
    TInstallLayout homeless = Layout;
    homeless.UserConfigDir.clear();
    EXPECT_EQ(FindParameterFiles(homeless), (TParameterFiles{Beside(), Beside()}));

    Put(User());
    EXPECT_EQ(FindParameterFiles(Layout), (TParameterFiles{User(), User()}));
    EXPECT_EQ(DescribeParameterFiles(FindParameterFiles(Layout)),
              "Parameter file: " + User().string());

    // A file beside the program wins over everything: a portable copy stays portable.
    Put(Beside());
    EXPECT_EQ(FindParameterFiles(Layout), (TParameterFiles{Beside(), Beside()}));
}

TEST_F(InstallLayoutTest, HelpFileBesideTheProgramElseInTheDataFolder) {
    const fs::path beside = Layout.ExecutableDir / "Orlenta.hlp";
    const fs::path installed = Layout.DataDir / "Orlenta.hlp";
    EXPECT_EQ(FindHelpFile(Layout), beside);
    Put(installed);
    EXPECT_EQ(FindHelpFile(Layout), installed);
    Put(beside);
    EXPECT_EQ(FindHelpFile(Layout), beside);
}

TEST(InstallLayout, ConfigHomeFollowsTheBaseDirectoryRules) {
    const struct {
        const char* Xdg;
        const char* Home;
        fs::path Expected;
    } cases[] = {
        {"/x/conf", "/home/u", "/x/conf"},
        {"/x/conf", nullptr, "/x/conf"},
        {nullptr, "/home/u", "/home/u/.config"},
        {"", "/home/u", "/home/u/.config"},
        {"relative/conf", "/home/u", "/home/u/.config"}, // a relative value is ignored
        {nullptr, "relative", ""},
        {nullptr, nullptr, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Xdg ? c.Xdg : "(unset)") + " " + (c.Home ? c.Home : "(unset)"));
        EXPECT_EQ(XdgConfigHome(c.Xdg, c.Home), c.Expected);
    }
}

TEST(InstallLayout, ThisProcessIsNotInstalled) {
    // The tests run from the build tree: no data folder, everything beside the executable.
    const TInstallLayout layout = CurrentInstallLayout();
    EXPECT_EQ(layout.ExecutableDir, ExecutableDirectory());
    EXPECT_EQ(layout.DataDir,
              (layout.ExecutableDir / ".." / "share" / "orlenta").lexically_normal());
    EXPECT_FALSE(fs::exists(layout.DataDir));
    EXPECT_EQ(FindParameterFiles(layout).Write, DefaultParametersPath());
}

TEST_F(InstallLayoutTest, FirstSaveCreatesTheUsersFileFromTheInstalledDefault) {
    const std::string shipped = "; shipped comment\n[Parameters]\n; depth note\nDepth=0.2\n"
                                "Start=10\n[Machine]\nUnits=mm\n";
    Put(Installed(), shipped);
    SetParameterFiles(FindParameterFiles(Layout));

    TGlobals g;
    SetStartupValues(g);
    ASSERT_TRUE(LoadParameters(g.Params));
    EXPECT_EQ(g.Params.Depth, 0.2);
    EXPECT_EQ(g.Params.Start, 10);

    g.Params.Depth = 0.35;
    SaveParameters(g.Params); // the user's folder does not exist yet
    EXPECT_EQ(ReadBytes(Installed()), shipped);
    const std::string saved = ReadBytes(User());
    for (const char* kept : {"; shipped comment", "; depth note", "[Machine]", "Units=mm"})
        EXPECT_NE(saved.find(kept), std::string::npos) << kept;
    EXPECT_NE(saved.find("Depth=0.35"), std::string::npos);
    EXPECT_NE(saved.find("Start=10"), std::string::npos);
    EXPECT_EQ(FolderEntries(Layout.ExecutableDir), std::vector<std::string>{});

    // From now on the user's file is read and written; the default stays as shipped.
    SetParameterFiles(FindParameterFiles(Layout));
    TGlobals back;
    SetStartupValues(back);
    ASSERT_TRUE(LoadParameters(back.Params));
    EXPECT_EQ(back.Params.Depth, 0.35);
    back.Params.Depth = 0.4;
    SaveParameters(back.Params);
    EXPECT_NE(ReadBytes(User()).find("Depth=0.4"), std::string::npos);
    EXPECT_EQ(ReadBytes(Installed()), shipped);
}

// The first save starts from the installed default's text under the rules of any save:
// lines split as the reader splits them, and no user's file made from a default that the
// reader cannot read completely.
TEST_F(InstallLayoutTest, FirstSaveFromAnOddInstalledDefault) {
    const std::string shipped = "; shop\r[Parameters]\rDepth=0.3\rDialect=grbl ; router\r";
    Put(Installed(), shipped);
    SetParameterFiles(FindParameterFiles(Layout));
    TGlobals g;
    SetStartupValues(g);
    ASSERT_TRUE(LoadParameters(g.Params));
    EXPECT_EQ(g.Params.Machine.Dialect, TDialect::Grbl);
    g.Params.Depth = 0.25;
    SaveParameters(g.Params);
    SetParameterFiles(FindParameterFiles(Layout));
    TGlobals back;
    SetStartupValues(back);
    ASSERT_TRUE(LoadParameters(back.Params));
    EXPECT_EQ(back.Params.Depth, 0.25);
    EXPECT_EQ(back.Params.Machine.Dialect, TDialect::Grbl);
    const std::string saved = ReadBytes(User());
    EXPECT_EQ(saved.find("; shop"), saved.rfind("; shop")) << saved; // not a "lost" copy

    fs::remove_all(Layout.UserConfigDir);
    Put(Installed(), std::string("[Parameters]\nDepth=0.3\n\0[Other]\nKey=1\n", 38));
    SetParameterFiles(FindParameterFiles(Layout));
    EXPECT_THROW(SaveParameters(g.Params), EIniWriteError);
    EXPECT_FALSE(fs::exists(User()));
}

TEST_F(InstallLayoutTest, AUserFolderThatCannotBeMadeIsAWriteError) {
    Put(Installed());
    Put(Dir / "config"); // a file where the folder's parent should be
    SetParameterFiles(FindParameterFiles(Layout));
    TGlobals g;
    SetStartupValues(g);
    try {
        SaveParameters(g.Params);
        FAIL() << "saved";
    } catch (const EIniWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + User().string());
    }
}

} // namespace
