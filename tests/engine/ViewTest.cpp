// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"
#include "common/TestDocument.h"

#include "engine/store/PieceStore.h"
#include "engine/editing/Editing.h"
#include "engine/document/EngineState.h"
#include "engine/document/View.h"

#include <gtest/gtest.h>

using namespace Engine;

namespace {

using ViewTest = TEngineTest;

TEST_F(ViewTest, ScrollToEndShowsTheLastPageRowAligned) {
    struct {
        int32_t size, top, bottom;
    } cases[] = {{1000, 849, 1000}, {160, 1, 160}, {161, 17, 161}, {320, 161, 320}, {5, 1, 5}, {0, 1, 0}};
    for (auto c : cases) {
        OpenBytes(PatternBytes(c.size));
        ScrollToEnd(TestDoc());
        EXPECT_EQ(TestDoc().View.TopAddress, c.top) << c.size;
        EXPECT_EQ(TestDoc().View.BottomAddress, c.bottom) << c.size;
    }
}

TEST_F(ViewTest, ShowAddressClampsToTheFile) {
    OpenBytes(PatternBytes(1000));
    ShowAddress(TestDoc(), 0, true, false);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
    EXPECT_EQ(Host.SelectedCol, 0);
    EXPECT_EQ(Host.SelectedRow, 0);

    ShowAddress(TestDoc(), 1010, true, false);
    EXPECT_EQ(TestDoc().View.TopAddress, 849);
    EXPECT_EQ(TestDoc().View.BottomAddress, 1000);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1000);
    EXPECT_EQ(TestDoc().View.CursorCol, 7);
    EXPECT_EQ(TestDoc().View.CursorRow, 9);
    EXPECT_EQ(Host.SelectedCol, 7);
    EXPECT_EQ(Host.SelectedRow, 9);
    EXPECT_GT(Host.Refreshes, 0);
}

TEST_F(ViewTest, ShowAddressShowsTheLastPageOnlyForAddressesOnIt) {
    OpenBytes(PatternBytes(1000));
    ShowAddress(TestDoc(), 845, true, false); // within the last 160 bytes but above the last page's top 849
    EXPECT_EQ(TestDoc().View.TopAddress, 833);
    EXPECT_EQ(TestDoc().View.BottomAddress, 992);
    EXPECT_EQ(CurrentAddress(TestDoc()), 845);
    EXPECT_EQ(TestDoc().View.CursorRow, 0);

    ShowAddress(TestDoc(), 849, true, false);
    EXPECT_EQ(TestDoc().View.TopAddress, 849);
    EXPECT_EQ(TestDoc().View.BottomAddress, 1000);
    EXPECT_EQ(CurrentAddress(TestDoc()), 849);

    ShowAddress(TestDoc(), 500, false, false);
    EXPECT_EQ(TestDoc().View.TopAddress, 497);
    EXPECT_EQ(TestDoc().View.BottomAddress, 656);
    EXPECT_EQ(CurrentAddress(TestDoc()), 497); // the cursor keeps its cell (0, 0)
}

TEST_F(ViewTest, ShowAddressOnlyIfOutsideKeepsAVisibleAddressInPlace) {
    OpenBytes(PatternBytes(1000));
    ShowAddress(TestDoc(), 100, true, true);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(TestDoc().View.CursorCol, 3);
    EXPECT_EQ(TestDoc().View.CursorRow, 6);
    ShowAddress(TestDoc(), 161, true, true);
    EXPECT_EQ(TestDoc().View.TopAddress, 161);
    EXPECT_EQ(CurrentAddress(TestDoc()), 161);
}

TEST_F(ViewTest, ShowAddressRecomputesTheBottomFromTheFileSize) {
    OpenBytes(PatternBytes(100));
    ASSERT_EQ(TestDoc().View.BottomAddress, 100);
    ASSERT_TRUE(TestDoc().Store.OpenGap(101, 400)); // the file grew below the view
    ShowAddress(TestDoc(), 50, true, true);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(TestDoc().View.BottomAddress, 160);

    ASSERT_TRUE(CloseGap(TestDoc(), 1, 420)); // and shrank
    ShowAddress(TestDoc(), 50, true, true);
    EXPECT_EQ(TestDoc().View.BottomAddress, 80);
    EXPECT_EQ(CurrentAddress(TestDoc()), 50);
}

TEST_F(ViewTest, ShowAddressDoesNothingWithoutAnOpenFile) {
    OpenBytes(PatternBytes(1000));
    TestDoc().FileOpen = false;
    Host.ForgetRecords();
    ShowAddress(TestDoc(), 900, true, false);
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(Host.Refreshes, 0);
}

TEST_F(ViewTest, GoToEndAndStart) {
    OpenBytes(PatternBytes(1000));
    GoToEnd(TestDoc());
    EXPECT_EQ(TestDoc().View.TopAddress, 849);
    EXPECT_EQ(CurrentAddress(TestDoc()), 1000);
    GoToStart(TestDoc());
    EXPECT_EQ(TestDoc().View.TopAddress, 1);
    EXPECT_EQ(TestDoc().View.CursorCol, 0);
    EXPECT_EQ(TestDoc().View.CursorRow, 0);
}

TEST_F(ViewTest, AddressToCellInsideAndOutsideTheView) {
    OpenBytes(PatternBytes(1000));
    TestDoc().View.TopAddress = 17;
    TestDoc().View.BottomAddress = 176;
    struct {
        int32_t address, col, row;
    } cases[] = {{17, 0, 0}, {18, 1, 0}, {50, 1, 2}, {176, 15, 9}, {177, 0, 0}, {16, 0, 0}, {1, 0, 0}};
    for (auto c : cases) {
        TCell cell = AddressToCell(TestDoc(), c.address);
        EXPECT_EQ(cell.Col, c.col) << c.address;
        EXPECT_EQ(cell.Row, c.row) << c.address;
    }
}

TEST_F(ViewTest, CurrentAddressFollowsTheCursorCell) {
    OpenBytes(PatternBytes(1000));
    TestDoc().View.TopAddress = 17;
    TestDoc().View.CursorCol = 3;
    TestDoc().View.CursorRow = 2;
    EXPECT_EQ(CurrentAddress(TestDoc()), 52);
    OpenBytes({});
    EXPECT_EQ(CurrentAddress(TestDoc()), 1);
}

} // namespace
