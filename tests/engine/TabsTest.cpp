// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"

#include "engine/document/Document.h"
#include "engine/document/Tabs.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

using namespace Engine;

namespace {

// Where a file goes, over the states a window's tabs can be in: a file open under another name of it,
// the shown tab empty, modified but untitled, or holding a file; with and without one file at a time.
TEST(TabsTest, AFileGoesToItsOwnTabAnEmptyShownTabOrANewOne) {
    TTempDir dir;
    const std::string a = dir.Write("a.bin", {1, 2}), b = dir.Write("b.bin", {3});
    const std::string link = dir.PathOf("a-link.bin"), c = dir.Write("c.bin", {4});
    ASSERT_EQ(::link(a.c_str(), link.c_str()), 0);
    TApplication app;
    TDocument holdsA(app), holdsB(app), empty(app), untitled(app);
    holdsA.FileOpen = holdsB.FileOpen = true;
    holdsA.File.FileName = a;
    holdsB.File.FileName = b;
    untitled.FileOpen = untitled.File.Untitled = untitled.Modified = true;
    untitled.File.FileName = "NONAME1";
    const std::vector<TDocument*> tabs{&holdsA, &holdsB, &empty, &untitled};
    using K = TOpenPlace::TKind;
    struct TCase {
        std::string Path;
        size_t Active;
        bool OneFile;
        K Kind;
        size_t Index;
    } cases[] = {
        {link, 2, false, K::Existing, 0},         // the same file by another name
        {dir.Path() + "/./b.bin", 0, true, K::Existing, 1}, // even with one file at a time
        {c, 2, false, K::Active, 2},              // the shown tab holds nothing
        {c, 0, false, K::NewTab, 4},              // it holds a file
        {c, 3, false, K::NewTab, 4},              // it holds unsaved bytes, untitled
        {c, 0, true, K::Active, 0},               // one file at a time
        {dir.PathOf("missing.bin"), 0, false, K::NewTab, 4},
    };
    for (const TCase& t : cases) {
        const TOpenPlace place = PlaceForOpen(tabs, t.Active, t.Path, t.OneFile);
        EXPECT_EQ(place.Kind, t.Kind) << t.Path << " from tab " << t.Active;
        EXPECT_EQ(place.Index, t.Index) << t.Path << " from tab " << t.Active;
    }
    EXPECT_EQ(TabTitle(holdsA), "a.bin");
    untitled.Modified = true;
    EXPECT_EQ(TabTitle(untitled), "NONAME1*");
    EXPECT_EQ(TabHint(holdsB), b);
}

} // namespace
