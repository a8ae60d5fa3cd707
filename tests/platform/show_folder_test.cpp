// The show folder: how the show's paths are found from the working
// directory, and which folders cannot be played (with what message).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/show_folder.h"
#include "support/test_paths.h"

namespace {

TEST(ShowFolder, PathsOfTheShowAreJoinedToItsFolder) {
    const struct {
        const char* folder;
        const char* path;
        const char* expected;
    } rows[] = {
        // No folder: the working directory, the paths exactly as written.
        {"", "data/sky/clouds.jpg", "data/sky/clouds.jpg"},
        {"shows/kiln", "data/a.jpg", "shows/kiln/data/a.jpg"},
        {"shows/kiln/", "data/a.jpg", "shows/kiln/data/a.jpg"},
        {"/srv/show", "data/a.jpg", "/srv/show/data/a.jpg"},
        {"/", "data/a.jpg", "/data/a.jpg"},
        {".", "data/a.jpg", "./data/a.jpg"},
        // Nothing folded away: ".." means what it means inside the folder.
        {"shows/kiln", "../common/a.jpg", "shows/kiln/../common/a.jpg"},
        {"shows/kiln", "/usr/share/a.jpg", "/usr/share/a.jpg"},
        // An empty path stays empty (an entry without a picture).
        {"shows/kiln", "", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, JoinShowPath(row.folder, row.path))
            << "'" << row.folder << "' + '" << row.path << "'";

    SetShowFolder("shows/kiln");
    EXPECT_EQ("shows/kiln/data/demo.txt", ShowPath(kShowScript));
    SetShowFolder("");
}

TEST(ShowFolder, FoldersThatHoldNoShowAreNamed) {
    ScratchDir dir;
    dir.Write("good/data/demo.txt", "m.ogg\n0\n0\n");
    dir.Write("plain.txt", "not a folder\n");
    dir.Write("nodata/readme.txt", "no data folder\n");
    std::filesystem::create_directories(dir.path() + "/folderscript/data/demo.txt");
    const std::string d = dir.path() + "/";
    const struct {
        std::string folder;
        std::string expected;
    } rows[] = {
        {d + "good", ""},
        {d + "good/", ""},
        {d + "missing", "The show folder \"" + d + "missing\" does not exist"},
        {d + "plain.txt", "\"" + d + "plain.txt\" is a file, not a show folder"},
        {d + "nodata", "The show folder \"" + d + "nodata\" holds no show: " + d +
                           "nodata/data/demo.txt is missing"},
        {d + "folderscript", "The show folder \"" + d + "folderscript\" holds no show: " + d +
                                 "folderscript/data/demo.txt is a folder"},
        {d + "plain.txt/sub", "The show folder \"" + d + "plain.txt/sub\" does not exist"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.expected, ShowFolderProblem(row.folder));
}

}  // namespace
