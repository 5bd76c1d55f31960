// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"

#include "engine/files/DirSearch.h"
#include "engine/files/Paths.h"
#include "engine/text/TextFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace {

TEST(PathsTest, TextRulesOfPathsAndMasks) {
    EXPECT_EQ(WithTrailingSlash(""), "");
    EXPECT_EQ(WithTrailingSlash("/a"), "/a/");
    EXPECT_EQ(WithTrailingSlash("/a/"), "/a/");
    EXPECT_EQ(WithoutTrailingSlash(""), "");
    EXPECT_EQ(WithoutTrailingSlash("/a//"), "/a/");
    EXPECT_EQ(WithoutTrailingSlash("/"), "");
    EXPECT_EQ(FileTitle("/x.y/name.tar.gz"), "name");
    EXPECT_EQ(FileTitle("/x.y/noext"), "noext");
    EXPECT_EQ(ParentDirectory("/a/b/"), "/a");
    EXPECT_EQ(ParentDirectory("/a"), "/");
    EXPECT_EQ(ParentDirectory("/"), "/");

    struct TWild {
        const char* Text;
        bool Wild;
    };
    for (const TWild& c : {TWild{"*.exe", true},
                           {"a?c", true},
                           {"\"*.exe\"", false},
                           {"\"a?\"", true},
                           {"plain.txt", false},
                           {"", false}})
        EXPECT_EQ(IsWildcard(c.Text), c.Wild) << c.Text;

    struct TMatch {
        const char* Name;
        const char* Mask;
        bool Matches;
    };
    for (const TMatch& c : {TMatch{"README", "*.*", true},
                            {".bashrc", "*.*", true},
                            {"A.EXE", "*.exe", true},
                            {"a.exe.bak", "*.exe", false},
                            {"abc", "a?c", true},
                            {"ac", "a?c", false},
                            {"x.tar.gz", "*.gz", true},
                            {"data", "d*.*", true},
                            {"data", "e*.*", false},
                            {"aaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c", false}})
        EXPECT_EQ(MatchesMask(c.Name, c.Mask), c.Matches) << c.Name << " " << c.Mask;
}

TEST(PathsTest, ExpandsTypedNamesAgainstTheShownFolder) {
    struct TCase {
        const char* Text;
        const char* Expanded;
    };
    for (const TCase& c : {
             TCase{"name.bin", "/base/dir/name.bin"},
             {"sub/", "/base/dir/sub/"},
             {"../up.bin", "/base/up.bin"},
             {"..", "/base/"},
             {".", "/base/dir/"},
             {"/abs//x/./y", "/abs/x/y"},
             {"/../../etc", "/etc"},
             {"~", "/home/me/"},
             {"~/a b/c", "/home/me/a b/c"},
             {"~x", "/base/dir/~x"},
             {"*.exe", "/base/dir/*.exe"},
             {"/", "/"},
         })
        EXPECT_EQ(ExpandPath(c.Text, "/base/dir", "/home/me"), c.Expanded) << c.Text;
    EXPECT_EQ(DirectoryPart("/a/b.c"), "/a/");
    EXPECT_EQ(NamePart("/a/b.c"), "b.c");
    EXPECT_EQ(NamePart("/a/"), "");
}

TEST(PathsTest, FilesFoldersAndLinksOnDisk) {
    TTempDir dir;
    const std::string file = dir.Write("f i\xc3\xa4\nle", {1, 2, 3});
    std::filesystem::create_directory(dir.PathOf("sub"));
    ASSERT_EQ(symlink(dir.PathOf("sub").c_str(), dir.PathOf("tosub").c_str()), 0);
    ASSERT_EQ(symlink(dir.PathOf("gone").c_str(), dir.PathOf("broken").c_str()), 0);

    EXPECT_TRUE(FileFound(file));
    EXPECT_FALSE(FileFound(dir.PathOf("sub")));
    EXPECT_FALSE(FileFound(dir.PathOf("broken")));
    EXPECT_FALSE(FileFound(""));
    EXPECT_TRUE(DirectoryFound(dir.PathOf("sub/")));
    EXPECT_TRUE(DirectoryFound("/"));
    EXPECT_FALSE(DirectoryFound(""));
    EXPECT_FALSE(DirectoryFound(file));
    EXPECT_FALSE(DirectoryFound(dir.PathOf("gone")));

    std::vector<TDirEntry> entries;
    ASSERT_EQ(SearchDirectory(dir.Path(), entries), 0);
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].Name, "broken");
    EXPECT_FALSE(entries[0].IsDirectory);
    EXPECT_EQ(entries[1].Name, "f i\xc3\xa4\nle");
    EXPECT_EQ(entries[1].Size, 3);
    EXPECT_TRUE(entries[2].IsDirectory);
    EXPECT_TRUE(entries[3].IsDirectory); // the link to a folder
    EXPECT_NE(SearchDirectory(dir.PathOf("gone"), entries), 0);
    EXPECT_TRUE(entries.empty());
}

TEST(PathsTest, FileTimesInTheFixedShortFormats) {
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(FormatFileTime(0), "01-01-70 12:00a");
    EXPECT_EQ(FormatFileTime(1796650260), "12-07-26 01:31p");
    EXPECT_EQ(FormatFileTime(1796607000), "12-07-26 01:30a");
    EXPECT_EQ(FormatIsoTime(1796650260), "2026-12-07 13:31");
    EXPECT_EQ(FormatIsoTime(1796607000), "2026-12-07 01:30");
    unsetenv("TZ");
    tzset();
}

} // namespace
