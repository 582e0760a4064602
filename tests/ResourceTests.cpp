// The resources of TvClient.rc as linked into this program: the skin, a string, the dialog templates and init data.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resource.h"
#include "skin/SkinCatalogue.h"

namespace {

HMODULE Self() { return GetModuleHandle(nullptr); }

// Little-endian reader over one resource; a missing resource or a read past its end sets failed.
struct Reader {
    const BYTE* data = nullptr;
    size_t size = 0, pos = 0;
    bool failed = false;

    Reader(LPCTSTR type, WORD id)
    {
        HRSRC found = FindResource(Self(), MAKEINTRESOURCE(id), type);
        HGLOBAL loaded = found ? LoadResource(Self(), found) : nullptr;
        data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
        size = data ? SizeofResource(Self(), found) : 0;
        failed = data == nullptr;
    }
    // The next n bytes, of which the first four make the value.
    uint32_t Take(size_t n)
    {
        uint32_t value = 0;
        failed = failed || n > size - pos;
        for (size_t i = 0; i < n && i < 4 && !failed; ++i)
            value |= uint32_t(data[pos + i]) << (8 * i);
        pos += failed ? 0 : n;
        return value;
    }
    void Skip(size_t n) { Take(n); }
    uint16_t U16() { return static_cast<uint16_t>(Take(2)); }
    uint32_t U32() { return Take(4); }
    // A string, or with bOrdinal a template's sz_Or_Ord field: empty, "#<ordinal>" or the text.
    std::wstring Str(bool bOrdinal = false)
    {
        std::wstring s;
        for (wchar_t c = U16(); c != 0; c = U16()) {
            if (bOrdinal && s.empty() && c == 0xFFFF)
                return L"#" + std::to_wstring(U16());
            s += c;
        }
        return s;
    }
    // x, y, cx, cy of a template or an item.
    std::array<int, 4> Rect() { return {int16_t(U16()), int16_t(U16()), int16_t(U16()), int16_t(U16())}; }
};

const struct BitmapEntry { WORD id; int width, height, depth; } kBitmaps[] = {
    {IDB_TITLEBAR_WHOLE, 1020, 65, 8}, {IDB_LOGO, 157, 65, 8}, {IDB_TAB1, 104, 65, 8}, {IDB_TAB2, 106, 65, 8},
    {IDB_TAB3, 102, 65, 8}, {IDB_TAB4, 101, 65, 8}, {IDB_TAB5, 80, 65, 8}, {IDB_TAB6, 147, 65, 8},
    {IDB_TAB1_HOT, 104, 65, 24}, {IDB_TAB2_HOT, 106, 65, 24}, {IDB_TAB3_HOT, 102, 65, 24}, {IDB_TAB4_HOT, 101, 65, 24},
    {IDB_TAB5_HOT, 80, 65, 24}, {IDB_TAB6_HOT, 147, 65, 24}, {IDB_HELP_TAB, 85, 28, 8}, {IDB_SIGNOFF, 60, 28, 8},
    {IDB_TOPBAR_PANEL, 145, 37, 8}, {IDB_FRAME_VERTICAL, 13, 56, 8}, {IDB_FRAME_STRIP, 78, 8, 8},
    {IDB_HIDE_BUTTON, 17, 20, 8}, {IDB_FULLSCREEN_BUTTON, 19, 20, 8}, {IDB_CLOSE_BUTTON, 19, 20, 8},
    {IDB_TITLE_PANEL, 55, 39, 8}, {IDB_TITLE_RIGHT_END, 22, 65, 8}, {IDB_CATEGORY_SELECTOR, 183, 29, 8},
    {IDB_LIST_HEADER, 183, 41, 24}, {IDB_LIST_HANDLE_SHOWN, 10, 672, 8}, {IDB_LIST_HANDLE_COLLAPSED, 10, 672, 24},
    {IDB_CHANNEL0, 183, 30, 24}, {IDB_CHANNEL1, 183, 30, 8}, {IDB_CHANNEL2, 183, 29, 8}, {IDB_CHANNEL3, 183, 32, 8},
    {IDB_CHANNEL4, 183, 27, 8}, {IDB_CHANNEL5, 183, 32, 8}, {IDB_CHANNEL6, 183, 30, 8}, {IDB_CHANNEL7, 183, 30, 8},
    {IDB_CHANNEL8, 183, 30, 8}, {IDB_CHANNEL9, 183, 30, 8}, {IDB_CHANNEL10, 183, 31, 8}, {IDB_CHANNEL11, 183, 30, 8},
    {IDB_CHANNEL12, 183, 30, 24}, {IDB_CHANNEL13, 183, 30, 24}, {IDB_CHANNEL0_SELECTED, 183, 30, 24},
    {IDB_CHANNEL1_SELECTED, 183, 30, 24}, {IDB_CHANNEL2_SELECTED, 183, 29, 24}, {IDB_CHANNEL3_SELECTED, 183, 32, 24},
    {IDB_CHANNEL4_SELECTED, 183, 27, 24}, {IDB_CHANNEL5_SELECTED, 183, 32, 24}, {IDB_CHANNEL6_SELECTED, 183, 30, 24},
    {IDB_CHANNEL7_SELECTED, 183, 30, 24}, {IDB_CHANNEL8_SELECTED, 183, 30, 24}, {IDB_CHANNEL9_SELECTED, 183, 30, 24},
    {IDB_CHANNEL10_SELECTED, 183, 31, 24}, {IDB_CHANNEL11_SELECTED, 183, 30, 24}, {IDB_CHANNEL12_SELECTED, 183, 30, 24},
    {IDB_CHANNEL13_SELECTED, 183, 30, 24}, {IDB_BAR_LEFT_END, 20, 49, 24}, {IDB_PAUSE_BUTTON, 43, 49, 24},
    {IDB_PLAY_BUTTON, 43, 49, 24}, {IDB_PLAY_BUTTON_GREYED, 43, 49, 24}, {IDB_STOP_BUTTON, 36, 49, 24},
    {IDB_STOP_BUTTON_GREYED, 36, 49, 24}, {IDB_VOLUME_DOWN, 27, 49, 24}, {IDB_SOUND_ON, 20, 49, 24},
    {IDB_SOUND_MUTED, 20, 49, 24}, {IDB_VOLUME_UP, 27, 49, 24}, {IDB_BAR_RIGHT_END, 14, 49, 24},
    {IDB_BAR_FULLSCREEN, 53, 49, 24}, {IDB_BAR_BACKGROUND, 340, 49, 24},
};

BOOL CALLBACK CollectId(HMODULE, LPCTSTR, LPTSTR name, LONG_PTR ids)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::set<WORD>*>(ids)->insert(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

TEST(SkinBitmaps, TheModuleHoldsTheCatalogueWithSizesAndDepthsAndAlternateLooksMatchTheNormalOnes)
{
    std::set<WORD> inModule, catalogue;
    std::map<UINT, std::pair<LONG, LONG>> sizes;
    EnumResourceNames(Self(), RT_BITMAP, CollectId, reinterpret_cast<LONG_PTR>(&inModule));
    for (const BitmapEntry& e : kBitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        catalogue.insert(e.id);
        Reader r(RT_BITMAP, e.id);
        ASSERT_GE(r.size, sizeof(BITMAPINFOHEADER));
        const BITMAPINFOHEADER& h = *reinterpret_cast<const BITMAPINFOHEADER*>(r.data);
        ASSERT_EQ(sizeof(BITMAPINFOHEADER), h.biSize);
        sizes[e.id] = {h.biWidth, h.biHeight};
        EXPECT_EQ(e.width, h.biWidth);
        EXPECT_EQ(e.height, h.biHeight);  // positive: stored bottom-up
        EXPECT_EQ(e.depth, h.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), h.biCompression);
        const size_t stride = (size_t(e.width) * e.depth + 31) / 32 * 4, pixels = stride * e.height;
        if (e.depth == 8) {  // with a colour table
            EXPECT_LE(h.biClrUsed, 256u);
            EXPECT_GE(r.size, h.biSize + (h.biClrUsed ? h.biClrUsed : 256) * sizeof(RGBQUAD) + pixels);
        } else {  // without one
            EXPECT_EQ(0u, h.biClrUsed);
            EXPECT_EQ(h.biSize + pixels, r.size);
        }
        HBITMAP bitmap = LoadBitmap(Self(), MAKEINTRESOURCE(e.id));
        BITMAP bm{};
        EXPECT_TRUE(GetObject(bitmap, sizeof(bm), &bm) && bm.bmWidth == e.width && bm.bmHeight == e.height);
        DeleteObject(bitmap);
    }
    EXPECT_EQ(catalogue, inModule);
    // The looks the window switches between: the channel buttons', the portal tabs' and the column handle's.
    EXPECT_EQ(sizes[IDB_LIST_HANDLE_SHOWN], sizes[IDB_LIST_HANDLE_COLLAPSED]);
    for (int i = 0; i < kChannelButtonCount; ++i)
        EXPECT_EQ(sizes[kChannelNormalBitmaps[i]], sizes[kChannelSelectedBitmaps[i]]) << "channel " << i;
    for (const PortalTab& tab : kPortalTabs)
        EXPECT_EQ(sizes[tab.nNormalBitmap], sizes[tab.nHotBitmap]) << "tab " << tab.nCtrlId;
}

// The one image of an icon or cursor group; failed when the group holds another number of images.
Reader OnlyImage(LPCTSTR groupType, WORD id, LPCTSTR imageType)
{
    Reader group(groupType, id);
    group.Skip(4);  // reserved, type
    const bool one = group.U16() == 1;
    group.Skip(12);  // the directory entry up to the image id
    Reader image(imageType, group.U16());
    image.failed = image.failed || group.failed || !one || group.pos != group.size;
    return image;
}

TEST(SkinIconsAndCursor, EachIsOne32By32Image)
{
    const struct { WORD id; bool cursor; uint16_t bitCount; } cases[] = {
        {IDI_MAINFRAME, false, 24}, {IDI_TRAYMARK, false, 24}, {IDC_SKIN_HAND, true, 1}};
    for (const auto& [id, cursor, bitCount] : cases) {
        SCOPED_TRACE("resource " + std::to_string(id));
        Reader image = cursor ? OnlyImage(RT_GROUP_CURSOR, id, RT_CURSOR) : OnlyImage(RT_GROUP_ICON, id, RT_ICON);
        ASSERT_FALSE(image.failed);
        if (cursor) {
            EXPECT_EQ(13, image.U16());  // the hot spot, on the fingertip
            EXPECT_EQ(9, image.U16());
        }
        EXPECT_EQ(sizeof(BITMAPINFOHEADER), image.U32()) << "a PNG-compressed image would not start so";
        EXPECT_EQ(32u, image.U32());
        EXPECT_EQ(64u, image.U32());  // the colour bits and the AND mask
        image.Skip(2);
        EXPECT_EQ(bitCount, image.U16());
        EXPECT_TRUE(cursor ? LoadCursor(Self(), MAKEINTRESOURCE(id)) : LoadIcon(Self(), MAKEINTRESOURCE(id)));
    }
}

TEST(Strings, AboutMenuEntryInTheChineseCodePage)
{
    ASSERT_EQ(936u, GetACP()) << "the tests run in a Simplified Chinese prefix";
    char narrow[64] = {};
    ASSERT_GT(LoadStringA(Self(), IDS_ABOUTBOX, narrow, sizeof(narrow)), 0);
    EXPECT_STREQ("关于 Pelio(&A)...", narrow);  // GBK bytes: this source is compiled for that charset
    wchar_t wide[64] = {};
    ASSERT_GT(LoadStringW(Self(), IDS_ABOUTBOX, wide, 64), 0);
    EXPECT_STREQ(L"\u5173\u4e8e Pelio(&A)...", wide);
}

struct DialogItem { uint32_t exStyle, style, id; std::array<int, 4> rect; std::wstring className, title; };

struct Dialog {
    bool parsed = false;
    uint32_t exStyle = 0, style = 0, pointSize = 0, charset = 0;
    std::array<int, 4> rect{};
    std::wstring caption, typeface;
    std::vector<DialogItem> items;
};

// Reads a DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items.
Dialog ParseDialog(WORD id)
{
    Dialog d;
    Reader r(RT_DIALOG, id);
    if (r.U16() != 1 || r.U16() != 0xFFFF)  // the extended template's signature
        return d;
    r.Skip(4);  // help id
    d.exStyle = r.U32();
    d.style = r.U32();
    const uint16_t count = r.U16();
    d.rect = r.Rect();
    r.Str(true);  // menu
    r.Str(true);  // window class
    d.caption = r.Str();
    d.pointSize = r.U16();  // both templates set a font
    r.Skip(3);  // weight and italic
    d.charset = r.Take(1);
    d.typeface = r.Str();
    for (uint16_t i = 0; i < count && !r.failed; ++i) {
        DialogItem item;
        r.Skip((4 - r.pos % 4) % 4 + 4);  // alignment and help id
        item.exStyle = r.U32();
        item.style = r.U32();
        item.rect = r.Rect();
        item.id = r.U32();
        item.className = r.Str(true);
        item.title = r.Str(true);
        r.Skip(r.U16());  // creation data
        d.items.push_back(item);
    }
    d.parsed = !r.failed && r.size - r.pos < 4;
    return d;
}

// A predefined class, the button (0x80) or the static (0x82), given by its ordinal or by its name in any case.
bool IsClass(const std::wstring& className, int ordinal)
{
    const wchar_t* name = ordinal == 0x80 ? L"Button" : L"Static";
    return className == L"#" + std::to_wstring(ordinal) || _wcsicmp(className.c_str(), name) == 0;
}

enum Kind { kStatic, kNotify, kWeb, kPlayer };  // kNotify: a static with SS_NOTIFY
// The template makes most pictures 15 x 8: the program sizes them to their bitmaps.
struct ExpectedItem { uint32_t id; Kind kind; int x, y, cx = 15, cy = 8; };

// The main window in template order, which is also z-order and tab order.
const ExpectedItem kMainItems[] = {
    {IDC_BAR_BACKGROUND, kStatic, 243, 252}, {IDC_WEB_RIGHT, kWeb, 437, 37, 146, 366}, {IDC_LOGO, kNotify, 0, 0, 8, 8},
    {IDC_LIST_TOGGLE, kStatic, 104, 37, 8, 8}, {IDC_CHANNEL0, kNotify, 0, 60}, {IDC_CHANNEL1, kNotify, 0, 77},
    {IDC_LIST_HEADER, kStatic, 0, 37}, {IDC_CHANNEL2, kNotify, 0, 94}, {IDC_CHANNEL3, kNotify, 0, 110},
    {IDC_CHANNEL4, kNotify, 0, 127}, {IDC_CHANNEL5, kNotify, 0, 142}, {IDC_CHANNEL6, kNotify, 0, 160},
    {IDC_CHANNEL7, kNotify, 0, 177}, {IDC_CHANNEL8, kNotify, 0, 194}, {IDC_CHANNEL9, kNotify, 0, 211},
    {IDC_CHANNEL10, kNotify, 0, 228}, {IDC_CHANNEL11, kNotify, 0, 245}, {IDC_WEB_MIDDLE, kWeb, 109, 279, 328, 124},
    {IDC_WEB_LIST, kWeb, 0, 293, 107, 110}, {IDC_TAB1, kStatic, 89, 0}, {IDC_TAB2, kStatic, 148, 0},
    {IDC_TAB3, kStatic, 205, 0}, {IDC_TAB4, kStatic, 263, 0}, {IDC_TAB5, kStatic, 320, 0}, {IDC_TAB6, kStatic, 365, 0},
    {IDC_HELP_TAB, kNotify, 449, 0}, {IDC_SIGNOFF, kStatic, 497, 0}, {IDC_TOPBAR_PANEL, kStatic, 449, 16},
    {IDC_FRAME_VERTICAL, kStatic, 532, 5}, {IDC_FRAME_STRIP, kStatic, 532, 0}, {IDC_HIDE_BUTTON, kNotify, 539, 4},
    {IDC_FULLSCREEN_BUTTON, kNotify, 548, 4}, {IDC_CLOSE_BUTTON, kNotify, 558, 4}, {IDC_TITLE_PANEL, kStatic, 539, 15},
    {IDC_TITLE_RIGHT_END, kStatic, 570, 0, 13, 37}, {IDC_CHANNEL12, kNotify, 0, 261},
    {IDC_PLAY_PAUSE, kNotify, 120, 252}, {IDC_STOP, kNotify, 144, 252}, {IDC_BAR_LEFT_END, kStatic, 109, 252, 8, 8},
    {IDC_BAR_FULLSCREEN, kNotify, 213, 252}, {IDC_VOLUME_DOWN, kNotify, 164, 252}, {IDC_MUTE, kNotify, 179, 252},
    {IDC_VOLUME_UP, kNotify, 190, 252}, {IDC_BAR_RIGHT_END, kStatic, 205, 252},
    {IDC_PLAYER, kPlayer, 109, 37, 328, 215}, {IDC_CHANNEL13, kNotify, 0, 277},
    {IDC_FEATURED_LINK, kNotify, 288, 261, 117, 8},
};

TEST(DialogTemplates, MainWindow)
{
    Dialog d = ParseDialog(IDD_TVCLIENT_DIALOG);
    ASSERT_TRUE(d.parsed);
    EXPECT_EQ(L"Kalda\u7f51\u7edc\u7535\u89c6", d.caption);
    EXPECT_EQ((std::array<int, 4>{0, 0, 583, 403}), d.rect);
    const uint32_t wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
    EXPECT_EQ(wanted, d.style & wanted);
    const uint32_t unwanted = WS_SYSMENU | WS_CHILD | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(0u, d.style & unwanted) << "the skin draws its own frame and window buttons";
    EXPECT_EQ(static_cast<uint32_t>(WS_EX_STATICEDGE | WS_EX_APPWINDOW), d.exStyle);
    EXPECT_EQ(9u, d.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", d.typeface);
    EXPECT_EQ(1u, d.charset);

    ASSERT_EQ(std::size(kMainItems), d.items.size());
    for (size_t i = 0; i < d.items.size(); ++i) {
        const ExpectedItem& want = kMainItems[i];
        const DialogItem& got = d.items[i];
        SCOPED_TRACE("item " + std::to_string(i) + ", control " + std::to_string(want.id));
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ((std::array<int, 4>{want.x, want.y, want.cx, want.cy}), got.rect);
        EXPECT_EQ(static_cast<uint32_t>(WS_CHILD | WS_VISIBLE), got.style & (WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(0u, got.exStyle);
        EXPECT_EQ(want.id == IDC_WEB_RIGHT || want.id == IDC_WEB_LIST, (got.style & WS_TABSTOP) != 0);
        if (want.kind == kStatic || want.kind == kNotify) {
            EXPECT_TRUE(IsClass(got.className, 0x82));
            EXPECT_EQ(want.kind == kNotify, (got.style & SS_NOTIFY) != 0);
            EXPECT_EQ(want.id != IDC_BAR_LEFT_END, (got.style & WS_GROUP) != 0);
            // Plain statics, no SS_BITMAP: the program turns them into pictures at run time.
            EXPECT_EQ(static_cast<uint32_t>(SS_LEFT), got.style & SS_TYPEMASK);
        } else {
            const wchar_t* web = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";
            EXPECT_EQ(want.kind == kWeb ? web : L"{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}", got.className);
            EXPECT_EQ(0u, got.style & WS_GROUP);
        }
    }
}

TEST(DialogTemplates, AboutBox)
{
    Dialog d = ParseDialog(IDD_ABOUTBOX);
    ASSERT_TRUE(d.parsed);
    EXPECT_EQ(L"\u5173\u4e8e", d.caption);
    EXPECT_EQ((std::array<int, 4>{0, 0, 235, 55}), d.rect);
    const uint32_t wanted = DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(wanted, d.style & wanted);
    struct { int classOrdinal; uint32_t id, type, flags; std::array<int, 4> rect; const wchar_t* title; } items[] = {
        {0x82, uint32_t(-1), SS_ICON, 0, {11, 17, 20, 20}, L"#128"},
        {0x82, uint32_t(-1), SS_LEFT, SS_NOPREFIX | WS_GROUP, {40, 10, 119, 8}, L""},
        {0x82, uint32_t(-1), SS_LEFT, WS_GROUP, {40, 26, 119, 8}, L""},
        {0x80, IDOK, BS_DEFPUSHBUTTON, WS_GROUP | WS_TABSTOP, {178, 7, 50, 16}, L"\u786e\u5b9a"},
    };
    ASSERT_EQ(std::size(items), d.items.size());
    for (size_t i = 0; i < d.items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        const DialogItem& got = d.items[i];
        EXPECT_TRUE(IsClass(got.className, items[i].classOrdinal));
        EXPECT_EQ(items[i].id, got.id);
        EXPECT_EQ(items[i].type, got.style & (items[i].classOrdinal == 0x80 ? BS_TYPEMASK : SS_TYPEMASK));
        EXPECT_EQ(items[i].flags, got.style & (SS_NOPREFIX | WS_GROUP | WS_TABSTOP));
        EXPECT_EQ(items[i].rect, got.rect);
        EXPECT_EQ(items[i].title, got.title);
    }
}

TEST(DialogInitData, OneRecordPerHostedControl)
{
    using Records = std::vector<std::array<uint32_t, 3>>;  // a control's id, the kind of record, its size
    Records records;
    Reader r(MAKEINTRESOURCE(RT_DLGINIT_DATA), IDD_TVCLIENT_DIALOG), player = r;
    for (uint16_t id = r.U16(); id != 0 && !r.failed; id = r.U16()) {
        const uint16_t kind = r.U16();
        const uint32_t count = r.U32();
        records.push_back({id, kind, count});
        Reader state = r;
        r.Skip(count);
        state.size = r.pos;  // the record's own bytes
        if (id == IDC_PLAYER)
            player = state;
    }
    EXPECT_TRUE(!r.failed && r.pos == r.size) << "a 0 ends the records, with nothing after it";
    EXPECT_EQ(records, (Records{{IDC_WEB_RIGHT, 0x0376, 160}, {IDC_WEB_MIDDLE, 0x0376, 160},
                                {IDC_WEB_LIST, 0x0376, 160}, {IDC_PLAYER, 0x0376, 128}}));
    // The player's state.
    EXPECT_EQ(0x534C504Bu, player.U32());  // "KPLS"
    EXPECT_EQ(1, player.U16());  // version
    EXPECT_EQ(0, player.U16());  // no border
    EXPECT_EQ(0x80000000u | COLOR_BTNFACE, player.U32());
    EXPECT_EQ(50u, player.U32());  // initial volume
    EXPECT_TRUE(std::all_of(player.data + player.pos, player.data + player.size, [](BYTE b) { return b == 0; }));
}

}  // namespace
