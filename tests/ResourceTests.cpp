// The resources of TvClient.rc as linked into this program: what the platform and the skin need of them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "skin/SkinCatalogue.h"

namespace {

HMODULE Self() { return GetModuleHandle(nullptr); }

SIZE BitmapSize(UINT nID)
{
    BITMAP bitmap{};
    HBITMAP hBitmap = LoadBitmap(Self(), MAKEINTRESOURCE(nID));
    GetObject(hBitmap, sizeof(bitmap), &bitmap);
    DeleteObject(hBitmap);
    return {bitmap.bmWidth, bitmap.bmHeight};
}

// A static keeps its place when it changes its look: every look of it has the size of its start image.
TEST(SkinBitmaps, EveryLookOfAStaticHasTheSizeOfItsStartImage)
{
    const struct { UINT nCtrlId, nOtherLook; } looks[] = {
        {IDC_LIST_TOGGLE, IDB_LIST_HANDLE_COLLAPSED}, {IDC_PLAY_PAUSE, IDB_PLAY_BUTTON},
        {IDC_PLAY_PAUSE, IDB_PLAY_BUTTON_GREYED},     {IDC_STOP, IDB_STOP_BUTTON_GREYED},
        {IDC_MUTE, IDB_SOUND_MUTED},
    };
    auto expectSameSize = [](UINT nCtrlId, UINT nOtherLook) {
        const SIZE start = BitmapSize(StartBitmapOf(nCtrlId)), other = BitmapSize(nOtherLook);
        EXPECT_GT(start.cx, 0) << nCtrlId;
        EXPECT_EQ(start.cx, other.cx) << nCtrlId << " " << nOtherLook;
        EXPECT_EQ(start.cy, other.cy) << nCtrlId << " " << nOtherLook;
    };
    for (const auto& look : looks)
        expectSameSize(look.nCtrlId, look.nOtherLook);
    for (const ChannelButton& button : kChannelButtons)
        expectSameSize(button.nCtrlId, button.nSelectedBitmap);
    for (const PortalTab& tab : kPortalTabs)
        expectSameSize(tab.nCtrlId, tab.nHotBitmap);
}

// Classic icon images (not PNG), which every version of the shell draws, with the hand's hot spot on its fingertip.
TEST(SkinIconsAndCursor, EachIsOne32By32Image)
{
    for (WORD id : {IDI_MAINFRAME, IDI_TRAYMARK}) {
        HICON hIcon = LoadIcon(Self(), MAKEINTRESOURCE(id));
        ICONINFO info{};
        ASSERT_TRUE(hIcon && GetIconInfo(hIcon, &info)) << id;
        BITMAP colour{};
        GetObject(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, 32) << id;
        EXPECT_EQ(colour.bmHeight, 32) << id;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    ICONINFO hand{};
    ASSERT_TRUE(GetIconInfo(LoadCursor(Self(), MAKEINTRESOURCE(IDC_SKIN_HAND)), &hand));
    EXPECT_FALSE(hand.fIcon);
    EXPECT_EQ(hand.xHotspot, 13u);
    EXPECT_EQ(hand.yHotspot, 9u);
    DeleteObject(hand.hbmColor);
    DeleteObject(hand.hbmMask);
}

}  // namespace
