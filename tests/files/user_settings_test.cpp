// The user's own settings file: what one program version stores, another reads back, keeping
// the keys it does not know; values that cannot be stored or read fall back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "files/UserSettings.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TempFolder {
    TempFolder() {
        path = std::filesystem::temp_directory_path() /
               ("tavrin_user_settings_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string File(const char* name) const { return (path / name).string(); }
    std::filesystem::path path;
};

TEST(UserSettings, RoundTripKeepsUnknownKeysAndRejectsWhatCannotBeStored) {
    TempFolder dir;
    const std::string file = dir.File("tavrin.conf");
    {
        std::ofstream out(file, std::ios::binary);
        out << "# written by a newer program\r\nlater.window=3,4\r\nanalysis.harmonics=7\r\n"
               "analysis.width=12x\r\nnot a setting\r\n=orphan\r\n";
    }
    UserSettings s;
    ASSERT_TRUE(s.Load(file));
    EXPECT_EQ(s.Number("analysis.harmonics", 2, 20, 6), 7);
    EXPECT_EQ(s.Number("analysis.harmonics", 8, 20, 6), 6); // out of range
    EXPECT_EQ(s.Number("analysis.width", 0, 5000, -1), -1); // not a number
    EXPECT_EQ(s.Number("missing", 0, 5, 2), 2);
    s.SetNumber("analysis.harmonics", 12);
    s.SetText("analysis.name", "測定\nsecond line"); // would become two lines: not stored
    s.SetText("bad=key", "x");
    s.SetNumber("analysis.x", -40);
    ASSERT_TRUE(s.Save(file));
    EXPECT_EQ(ReadText(file), "# Tavrin: settings of this user beyond Tavrinini.prf\n"
                              "analysis.harmonics=12\nanalysis.width=12x\nanalysis.x=-40\n"
                              "later.window=3,4\n");
    UserSettings again;
    ASSERT_TRUE(again.Load(file));
    EXPECT_EQ(again.Number("analysis.x", -100, 100, 0), -40);
    EXPECT_EQ(again.Text("later.window"), "3,4");
}

TEST(UserSettings, AMissingFileIsEmptyAndAnUnreadableOneIsNeverReplaced) {
    TempFolder dir;
    UserSettings s;
    EXPECT_TRUE(s.Load(dir.File("none.conf")));
    s.SetNumber("k", 1);
    EXPECT_TRUE(s.Save(dir.File("none.conf")));
    // A folder where the file should be: not read, and not replaced by the defaults.
    std::filesystem::create_directory(dir.path / "folder.conf");
    UserSettings t;
    EXPECT_FALSE(t.Load(dir.File("folder.conf")));
    t.SetNumber("k", 2);
    EXPECT_FALSE(t.Save(dir.File("folder.conf")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path / "folder.conf"));
}

} // namespace
