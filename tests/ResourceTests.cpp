// Checks the resources compiled from TvClient.rc and linked into this executable:
// the skin bitmaps, icons, cursor, strings, both dialog templates and the dialog init data.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resource.h"

namespace {

HMODULE Self() { return GetModuleHandle(nullptr); }

struct Blob {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Blob FindBlob(LPCTSTR type, WORD id) {
    Blob blob;
    HRSRC found = FindResource(Self(), MAKEINTRESOURCE(id), type);
    if (!found) return blob;
    HGLOBAL loaded = LoadResource(Self(), found);
    if (!loaded) return blob;
    blob.data = static_cast<const BYTE*>(LockResource(loaded));
    blob.size = SizeofResource(Self(), found);
    return blob;
}

// Bounds-checked little-endian reader over a resource; a read past the end clears ok.
class Reader {
public:
    explicit Reader(Blob blob) : blob_(blob) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t left() const { return ok_ ? blob_.size - pos_ : 0; }

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int16_t s16() { return static_cast<int16_t>(u16()); }

    void skip(size_t n) {
        if (n > left()) ok_ = false;
        else pos_ += n;
    }
    void align4() { skip((4 - pos_ % 4) % 4); }

    std::vector<uint8_t> bytes(size_t n) {
        std::vector<uint8_t> out;
        if (n > left()) {
            ok_ = false;
            return out;
        }
        out.assign(blob_.data + pos_, blob_.data + pos_ + n);
        pos_ += n;
        return out;
    }

    std::wstring wstr() {
        std::wstring s;
        for (uint16_t c = u16(); ok_ && c != 0; c = u16()) s.push_back(static_cast<wchar_t>(c));
        return s;
    }

    // A template's sz_Or_Ord field: empty, "#<ordinal>" or the string itself.
    std::wstring szOrOrd() {
        uint16_t first = u16();
        if (first == 0x0000) return L"";
        if (first == 0xFFFF) return L"#" + std::to_wstring(u16());
        std::wstring s(1, static_cast<wchar_t>(first));
        return s + wstr();
    }

private:
    uint32_t take(size_t n) {
        if (n > left()) {
            ok_ = false;
            return 0;
        }
        uint32_t v = 0;
        for (size_t i = 0; i < n; ++i) v |= uint32_t(blob_.data[pos_ + i]) << (8 * i);
        pos_ += n;
        return v;
    }

    Blob blob_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// ------------------------------------------------------------------ bitmaps

struct BitmapEntry {
    WORD id;
    int width;
    int height;
    int depth;
};

const BitmapEntry kBitmaps[] = {
    // title bar
    {IDB_TITLEBAR_WHOLE, 1020, 65, 8},
    {IDB_LOGO, 157, 65, 8},
    {IDB_TAB1, 104, 65, 8}, {IDB_TAB2, 106, 65, 8}, {IDB_TAB3, 102, 65, 8},
    {IDB_TAB4, 101, 65, 8}, {IDB_TAB5, 80, 65, 8}, {IDB_TAB6, 147, 65, 8},
    {IDB_TAB1_HOT, 104, 65, 24}, {IDB_TAB2_HOT, 106, 65, 24}, {IDB_TAB3_HOT, 102, 65, 24},
    {IDB_TAB4_HOT, 101, 65, 24}, {IDB_TAB5_HOT, 80, 65, 24}, {IDB_TAB6_HOT, 147, 65, 24},
    {IDB_HELP_TAB, 85, 28, 8},
    {IDB_SIGNOFF, 60, 28, 8},
    {IDB_TOPBAR_PANEL, 145, 37, 8},
    {IDB_FRAME_VERTICAL, 13, 56, 8},
    {IDB_FRAME_STRIP, 78, 8, 8},
    {IDB_HIDE_BUTTON, 17, 20, 8},
    {IDB_FULLSCREEN_BUTTON, 19, 20, 8},
    {IDB_CLOSE_BUTTON, 19, 20, 8},
    {IDB_TITLE_PANEL, 55, 39, 8},
    {IDB_TITLE_RIGHT_END, 22, 65, 8},
    // channel column
    {IDB_CATEGORY_SELECTOR, 183, 29, 8},
    {IDB_LIST_HEADER, 183, 41, 24},
    {IDB_LIST_HANDLE_SHOWN, 10, 672, 8},
    {IDB_LIST_HANDLE_COLLAPSED, 10, 672, 24},
    {IDB_CHANNEL0, 183, 30, 24}, {IDB_CHANNEL1, 183, 30, 8}, {IDB_CHANNEL2, 183, 29, 8},
    {IDB_CHANNEL3, 183, 32, 8}, {IDB_CHANNEL4, 183, 27, 8}, {IDB_CHANNEL5, 183, 32, 8},
    {IDB_CHANNEL6, 183, 30, 8}, {IDB_CHANNEL7, 183, 30, 8}, {IDB_CHANNEL8, 183, 30, 8},
    {IDB_CHANNEL9, 183, 30, 8}, {IDB_CHANNEL10, 183, 31, 8}, {IDB_CHANNEL11, 183, 30, 8},
    {IDB_CHANNEL12, 183, 30, 24}, {IDB_CHANNEL13, 183, 30, 24},
    {IDB_CHANNEL0_SELECTED, 183, 30, 24}, {IDB_CHANNEL1_SELECTED, 183, 30, 24},
    {IDB_CHANNEL2_SELECTED, 183, 29, 24}, {IDB_CHANNEL3_SELECTED, 183, 32, 24},
    {IDB_CHANNEL4_SELECTED, 183, 27, 24}, {IDB_CHANNEL5_SELECTED, 183, 32, 24},
    {IDB_CHANNEL6_SELECTED, 183, 30, 24}, {IDB_CHANNEL7_SELECTED, 183, 30, 24},
    {IDB_CHANNEL8_SELECTED, 183, 30, 24}, {IDB_CHANNEL9_SELECTED, 183, 30, 24},
    {IDB_CHANNEL10_SELECTED, 183, 31, 24}, {IDB_CHANNEL11_SELECTED, 183, 30, 24},
    {IDB_CHANNEL12_SELECTED, 183, 30, 24}, {IDB_CHANNEL13_SELECTED, 183, 30, 24},
    // player bar
    {IDB_BAR_LEFT_END, 20, 49, 24},
    {IDB_PAUSE_BUTTON, 43, 49, 24},
    {IDB_PLAY_BUTTON, 43, 49, 24},
    {IDB_PLAY_BUTTON_GREYED, 43, 49, 24},
    {IDB_STOP_BUTTON, 36, 49, 24},
    {IDB_STOP_BUTTON_GREYED, 36, 49, 24},
    {IDB_VOLUME_DOWN, 27, 49, 24},
    {IDB_SOUND_ON, 20, 49, 24},
    {IDB_SOUND_MUTED, 20, 49, 24},
    {IDB_VOLUME_UP, 27, 49, 24},
    {IDB_BAR_RIGHT_END, 14, 49, 24},
    {IDB_BAR_FULLSCREEN, 53, 49, 24},
    {IDB_BAR_BACKGROUND, 340, 49, 24},
};

const WORD kChannelPairs[][2] = {
    {IDB_CHANNEL0, IDB_CHANNEL0_SELECTED},   {IDB_CHANNEL1, IDB_CHANNEL1_SELECTED},
    {IDB_CHANNEL2, IDB_CHANNEL2_SELECTED},   {IDB_CHANNEL3, IDB_CHANNEL3_SELECTED},
    {IDB_CHANNEL4, IDB_CHANNEL4_SELECTED},   {IDB_CHANNEL5, IDB_CHANNEL5_SELECTED},
    {IDB_CHANNEL6, IDB_CHANNEL6_SELECTED},   {IDB_CHANNEL7, IDB_CHANNEL7_SELECTED},
    {IDB_CHANNEL8, IDB_CHANNEL8_SELECTED},   {IDB_CHANNEL9, IDB_CHANNEL9_SELECTED},
    {IDB_CHANNEL10, IDB_CHANNEL10_SELECTED}, {IDB_CHANNEL11, IDB_CHANNEL11_SELECTED},
    {IDB_CHANNEL12, IDB_CHANNEL12_SELECTED}, {IDB_CHANNEL13, IDB_CHANNEL13_SELECTED},
};

const WORD kTabPairs[][2] = {
    {IDB_TAB1, IDB_TAB1_HOT}, {IDB_TAB2, IDB_TAB2_HOT}, {IDB_TAB3, IDB_TAB3_HOT},
    {IDB_TAB4, IDB_TAB4_HOT}, {IDB_TAB5, IDB_TAB5_HOT}, {IDB_TAB6, IDB_TAB6_HOT},
};

struct DibInfo {
    bool found = false;
    BITMAPINFOHEADER header{};
    DWORD size = 0;
    const BYTE* data = nullptr;
};

DibInfo ReadDib(WORD id) {
    DibInfo info;
    Blob blob = FindBlob(RT_BITMAP, id);
    if (!blob.data || blob.size < sizeof(BITMAPINFOHEADER)) return info;
    info.found = true;
    std::memcpy(&info.header, blob.data, sizeof(BITMAPINFOHEADER));
    info.size = blob.size;
    info.data = blob.data;
    return info;
}

BOOL CALLBACK CollectName(HMODULE, LPCTSTR, LPTSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::set<WORD>*>(param)->insert(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

TEST(SkinBitmaps, CatalogueMatchesTheBitmapsInTheModule) {
    std::set<WORD> inModule;
    EnumResourceNames(Self(), RT_BITMAP, CollectName, reinterpret_cast<LONG_PTR>(&inModule));
    std::set<WORD> catalogue;
    for (const BitmapEntry& e : kBitmaps) {
        EXPECT_TRUE(catalogue.insert(e.id).second) << "id " << e.id << " listed twice";
    }
    EXPECT_EQ(catalogue, inModule);
    EXPECT_EQ(69u, inModule.size());
}

TEST(SkinBitmaps, EachHasItsSizeDepthAndColourTable) {
    for (const BitmapEntry& e : kBitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        DibInfo dib = ReadDib(e.id);
        ASSERT_TRUE(dib.found);
        const BITMAPINFOHEADER& h = dib.header;
        EXPECT_EQ(sizeof(BITMAPINFOHEADER), h.biSize);
        EXPECT_EQ(e.width, h.biWidth);
        EXPECT_EQ(e.height, h.biHeight);  // positive: stored bottom-up
        EXPECT_EQ(1, h.biPlanes);
        EXPECT_EQ(e.depth, h.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), h.biCompression);

        const size_t stride = ((size_t(e.width) * e.depth + 31) / 32) * 4;
        const size_t pixels = stride * size_t(e.height);
        if (e.depth == 8) {
            ASSERT_LE(h.biClrUsed, 256u);
            const size_t colours = h.biClrUsed ? h.biClrUsed : 256;
            const size_t paletteEnd = h.biSize + colours * sizeof(RGBQUAD);
            ASSERT_GE(dib.size, paletteEnd + pixels) << "colour table or pixels missing";
            // every pixel must name an entry of the table
            const BYTE* bits = dib.data + paletteEnd;
            size_t outside = 0;
            for (int y = 0; y < e.height; ++y)
                for (int x = 0; x < e.width; ++x)
                    if (bits[y * stride + x] >= colours) ++outside;
            EXPECT_EQ(0u, outside);
        } else {
            EXPECT_EQ(0u, h.biClrUsed);
            EXPECT_EQ(h.biSize + pixels, dib.size);
        }
    }
}

void ExpectSameSize(WORD a, WORD b) {
    SCOPED_TRACE("bitmaps " + std::to_string(a) + " and " + std::to_string(b));
    DibInfo first = ReadDib(a), second = ReadDib(b);
    ASSERT_TRUE(first.found);
    ASSERT_TRUE(second.found);
    EXPECT_EQ(first.header.biWidth, second.header.biWidth);
    EXPECT_EQ(first.header.biHeight, second.header.biHeight);
}

TEST(SkinBitmaps, AlternateLooksMatchTheirNormalLook) {
    for (const auto& pair : kChannelPairs) {
        ExpectSameSize(pair[0], pair[1]);
        DibInfo selected = ReadDib(pair[1]);
        EXPECT_EQ(24, selected.header.biBitCount) << "selected channel " << pair[1];
    }
    for (const auto& pair : kTabPairs) ExpectSameSize(pair[0], pair[1]);
    ExpectSameSize(IDB_LIST_HANDLE_SHOWN, IDB_LIST_HANDLE_COLLAPSED);
}

TEST(SkinBitmaps, LoadThroughThePlatform) {
    for (const BitmapEntry& e : kBitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        HBITMAP plain = LoadBitmap(Self(), MAKEINTRESOURCE(e.id));
        ASSERT_NE(nullptr, plain);
        BITMAP bm{};
        ASSERT_NE(0, GetObject(plain, sizeof(bm), &bm));
        EXPECT_EQ(e.width, bm.bmWidth);
        EXPECT_EQ(e.height, bm.bmHeight);
        DeleteObject(plain);

        HBITMAP section = static_cast<HBITMAP>(
            LoadImage(Self(), MAKEINTRESOURCE(e.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(nullptr, section);
        DIBSECTION ds{};
        ASSERT_EQ(static_cast<int>(sizeof(ds)), GetObject(section, sizeof(ds), &ds));
        EXPECT_EQ(e.depth, ds.dsBmih.biBitCount);
        EXPECT_EQ(e.width, ds.dsBmih.biWidth);
        EXPECT_EQ(e.height, std::abs(ds.dsBmih.biHeight));
        DeleteObject(section);
    }
}

// ------------------------------------------------------------------ icons and cursor

#pragma pack(push, 1)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupCursorEntry {
    WORD width, height;  // height counts the XOR and AND masks
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct GroupHeader {
    WORD reserved, type, count;
};

template <typename Entry>
bool ReadGroup(LPCTSTR type, WORD id, GroupHeader& header, std::vector<Entry>& entries) {
    Blob blob = FindBlob(type, id);
    if (!blob.data || blob.size < sizeof(GroupHeader)) return false;
    std::memcpy(&header, blob.data, sizeof(header));
    if (blob.size != sizeof(GroupHeader) + header.count * sizeof(Entry)) return false;
    entries.resize(header.count);
    std::memcpy(entries.data(), blob.data + sizeof(GroupHeader), header.count * sizeof(Entry));
    return true;
}

TEST(SkinIcons, EachIsOne32By32TrueColourImage) {
    std::vector<std::vector<uint8_t>> images;
    for (WORD id : {WORD(IDI_MAINFRAME), WORD(IDI_TRAYMARK)}) {
        SCOPED_TRACE("icon " + std::to_string(id));
        GroupHeader header{};
        std::vector<GroupIconEntry> entries;
        ASSERT_TRUE(ReadGroup(RT_GROUP_ICON, id, header, entries));
        EXPECT_EQ(1, header.type);
        ASSERT_EQ(1u, entries.size());
        const GroupIconEntry& e = entries[0];
        EXPECT_EQ(32, e.width);
        EXPECT_EQ(32, e.height);
        EXPECT_EQ(24, e.bitCount);

        Blob image = FindBlob(RT_ICON, e.id);
        ASSERT_NE(nullptr, image.data);
        EXPECT_EQ(e.bytes, image.size);
        ASSERT_GE(image.size, sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER bih{};
        std::memcpy(&bih, image.data, sizeof(bih));
        EXPECT_EQ(sizeof(BITMAPINFOHEADER), bih.biSize) << "a PNG-compressed entry would not start so";
        EXPECT_EQ(32, bih.biWidth);
        EXPECT_EQ(64, bih.biHeight);  // colour bits and AND mask
        EXPECT_EQ(24, bih.biBitCount);
        EXPECT_EQ(sizeof(BITMAPINFOHEADER) + 32u * 32 * 3 + 32u * 4, image.size);
        images.emplace_back(image.data, image.data + image.size);

        HICON icon = LoadIcon(Self(), MAKEINTRESOURCE(id));
        ASSERT_NE(nullptr, icon);
        ICONINFO ii{};
        ASSERT_TRUE(GetIconInfo(icon, &ii));
        EXPECT_TRUE(ii.fIcon);
        BITMAP colour{};
        ASSERT_NE(nullptr, ii.hbmColor);
        GetObject(ii.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(32, colour.bmWidth);
        EXPECT_EQ(32, colour.bmHeight);
        DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
    }
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ(images[0], images[1]) << "the tray shows the same brand mark as the window";
}

TEST(SkinCursor, HandIsMonochromeWithItsHotSpotOnTheFingertip) {
    GroupHeader header{};
    std::vector<GroupCursorEntry> entries;
    ASSERT_TRUE(ReadGroup(RT_GROUP_CURSOR, IDC_SKIN_HAND, header, entries));
    EXPECT_EQ(2, header.type);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(32, entries[0].width);
    EXPECT_EQ(64, entries[0].height);
    EXPECT_EQ(1, entries[0].bitCount);

    Blob image = FindBlob(RT_CURSOR, entries[0].id);
    ASSERT_NE(nullptr, image.data);
    EXPECT_EQ(entries[0].bytes, image.size);
    Reader r(image);
    const uint16_t hotX = r.u16(), hotY = r.u16();
    EXPECT_EQ(13, hotX);
    EXPECT_EQ(9, hotY);
    BITMAPINFOHEADER bih{};
    ASSERT_GE(image.size, 4 + sizeof(bih));
    std::memcpy(&bih, image.data + 4, sizeof(bih));
    EXPECT_EQ(32, bih.biWidth);
    EXPECT_EQ(64, bih.biHeight);
    EXPECT_EQ(1, bih.biBitCount);
    const size_t colours = bih.biClrUsed ? bih.biClrUsed : 2;
    const size_t masks = 4 + bih.biSize + colours * sizeof(RGBQUAD);
    ASSERT_EQ(masks + 2 * 32 * 4, image.size);

    // AND mask rows follow the XOR rows, both bottom-up; a clear AND bit is drawn
    const BYTE* andMask = image.data + masks + 32 * 4;
    auto opaque = [&](int x, int y) {
        const BYTE* row = andMask + (31 - y) * 4;
        return (row[x / 8] & (0x80 >> (x % 8))) == 0;
    };
    EXPECT_TRUE(opaque(hotX, hotY)) << "hot spot must lie on the finger";
    for (int y = 0; y < hotY; ++y) EXPECT_FALSE(opaque(hotX, y)) << "nothing above the fingertip, row " << y;

    HCURSOR cursor = LoadCursor(Self(), MAKEINTRESOURCE(IDC_SKIN_HAND));
    ASSERT_NE(nullptr, cursor);
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(cursor, &ii));
    EXPECT_FALSE(ii.fIcon);
    EXPECT_EQ(13u, ii.xHotspot);
    EXPECT_EQ(9u, ii.yHotspot);
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
}

// ------------------------------------------------------------------ strings

TEST(Strings, AboutMenuEntryInTheChineseCodePage) {
    ASSERT_EQ(936u, GetACP()) << "the tests run in a Simplified Chinese prefix";
    char narrow[64] = {};
    ASSERT_GT(LoadStringA(Self(), IDS_ABOUTBOX, narrow, sizeof(narrow)), 0);
    EXPECT_STREQ("关于 Pelio(&A)...", narrow);  // GBK bytes: the source is compiled for that charset

    wchar_t wide[64] = {};
    ASSERT_GT(LoadStringW(Self(), IDS_ABOUTBOX, wide, 64), 0);
    EXPECT_STREQ(L"\u5173\u4e8e Pelio(&A)...", wide);
}

// ------------------------------------------------------------------ dialog templates

struct DialogItem {
    uint32_t helpId = 0, exStyle = 0, style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    std::wstring className;  // predefined ordinals are turned into their names
    std::wstring title;
    uint16_t extraCount = 0;
};

struct Dialog {
    bool parsed = false;
    uint32_t helpId = 0, exStyle = 0, style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, windowClass, caption;
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

std::wstring PredefinedClass(const std::wstring& ordinal) {
    static const std::map<std::wstring, std::wstring> names = {
        {L"#128", L"Button"}, {L"#129", L"Edit"}, {L"#130", L"Static"},
        {L"#131", L"ListBox"}, {L"#132", L"ScrollBar"}, {L"#133", L"ComboBox"}};
    auto it = names.find(ordinal);
    return it == names.end() ? ordinal : it->second;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

// Reads a DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items.
Dialog ParseDialog(WORD id) {
    Dialog d;
    Blob blob = FindBlob(RT_DIALOG, id);
    if (!blob.data) return d;
    Reader r(blob);
    if (r.u16() != 1 || r.u16() != 0xFFFF) return d;  // extended template signature
    d.helpId = r.u32();
    d.exStyle = r.u32();
    d.style = r.u32();
    const uint16_t count = r.u16();
    d.x = r.s16();
    d.y = r.s16();
    d.cx = r.s16();
    d.cy = r.s16();
    d.menu = r.szOrOrd();
    d.windowClass = r.szOrOrd();
    d.caption = r.wstr();
    if (d.style & (DS_SETFONT | DS_SHELLFONT)) {
        d.pointSize = r.u16();
        d.weight = r.u16();
        d.italic = r.u8();
        d.charset = r.u8();
        d.typeface = r.wstr();
    }
    for (uint16_t i = 0; i < count && r.ok(); ++i) {
        r.align4();
        DialogItem item;
        item.helpId = r.u32();
        item.exStyle = r.u32();
        item.style = r.u32();
        item.x = r.s16();
        item.y = r.s16();
        item.cx = r.s16();
        item.cy = r.s16();
        item.id = r.u32();
        item.className = PredefinedClass(r.szOrOrd());
        item.title = r.szOrOrd();
        item.extraCount = r.u16();
        r.skip(item.extraCount);
        d.items.push_back(item);
    }
    d.parsed = r.ok() && d.items.size() == count && r.left() < 4;
    return d;
}

const wchar_t kWebBrowserClass[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";
const wchar_t kPlayerClass[] = L"{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}";
const wchar_t kStaticText[] = L"\u9759\u6001";  // the placeholder text of the skin statics

enum Kind { kStatic, kWeb, kPlayer };

struct ExpectedItem {
    uint32_t id;
    int16_t x, y, cx, cy;
    Kind kind;
    bool notify;
};

// The main window in template order, which is also z-order and tab order.
const ExpectedItem kMainItems[] = {
    {IDC_BAR_BACKGROUND, 243, 252, 15, 8, kStatic, false},
    {IDC_WEB_RIGHT, 437, 37, 146, 366, kWeb, false},
    {IDC_LOGO, 0, 0, 8, 8, kStatic, true},
    {IDC_LIST_TOGGLE, 104, 37, 8, 8, kStatic, false},
    {IDC_CHANNEL0, 0, 60, 15, 8, kStatic, true},
    {IDC_CHANNEL1, 0, 77, 15, 8, kStatic, true},
    {IDC_LIST_HEADER, 0, 37, 15, 8, kStatic, false},
    {IDC_CHANNEL2, 0, 94, 15, 8, kStatic, true},
    {IDC_CHANNEL3, 0, 110, 15, 8, kStatic, true},
    {IDC_CHANNEL4, 0, 127, 15, 8, kStatic, true},
    {IDC_CHANNEL5, 0, 142, 15, 8, kStatic, true},
    {IDC_CHANNEL6, 0, 160, 15, 8, kStatic, true},
    {IDC_CHANNEL7, 0, 177, 15, 8, kStatic, true},
    {IDC_CHANNEL8, 0, 194, 15, 8, kStatic, true},
    {IDC_CHANNEL9, 0, 211, 15, 8, kStatic, true},
    {IDC_CHANNEL10, 0, 228, 15, 8, kStatic, true},
    {IDC_CHANNEL11, 0, 245, 15, 8, kStatic, true},
    {IDC_WEB_MIDDLE, 109, 279, 328, 124, kWeb, false},
    {IDC_WEB_LIST, 0, 293, 107, 110, kWeb, false},
    {IDC_TAB1, 89, 0, 15, 8, kStatic, false},
    {IDC_TAB2, 148, 0, 15, 8, kStatic, false},
    {IDC_TAB3, 205, 0, 15, 8, kStatic, false},
    {IDC_TAB4, 263, 0, 15, 8, kStatic, false},
    {IDC_TAB5, 320, 0, 15, 8, kStatic, false},
    {IDC_TAB6, 365, 0, 15, 8, kStatic, false},
    {IDC_HELP_TAB, 449, 0, 15, 8, kStatic, true},
    {IDC_SIGNOFF, 497, 0, 15, 8, kStatic, false},
    {IDC_TOPBAR_PANEL, 449, 16, 15, 8, kStatic, false},
    {IDC_FRAME_VERTICAL, 532, 5, 15, 8, kStatic, false},
    {IDC_FRAME_STRIP, 532, 0, 15, 8, kStatic, false},
    {IDC_HIDE_BUTTON, 539, 4, 15, 8, kStatic, true},
    {IDC_FULLSCREEN_BUTTON, 548, 4, 15, 8, kStatic, true},
    {IDC_CLOSE_BUTTON, 558, 4, 15, 8, kStatic, true},
    {IDC_TITLE_PANEL, 539, 15, 15, 8, kStatic, false},
    {IDC_TITLE_RIGHT_END, 570, 0, 13, 37, kStatic, false},
    {IDC_CHANNEL12, 0, 261, 15, 8, kStatic, true},
    {IDC_PLAY_PAUSE, 120, 252, 15, 8, kStatic, true},
    {IDC_STOP, 144, 252, 15, 8, kStatic, true},
    {IDC_BAR_LEFT_END, 109, 252, 8, 8, kStatic, false},
    {IDC_BAR_FULLSCREEN, 213, 252, 15, 8, kStatic, true},
    {IDC_VOLUME_DOWN, 164, 252, 15, 8, kStatic, true},
    {IDC_MUTE, 179, 252, 15, 8, kStatic, true},
    {IDC_VOLUME_UP, 190, 252, 15, 8, kStatic, true},
    {IDC_BAR_RIGHT_END, 205, 252, 15, 8, kStatic, false},
    {IDC_PLAYER, 109, 37, 328, 215, kPlayer, false},
    {IDC_CHANNEL13, 0, 277, 15, 8, kStatic, true},
    {IDC_FEATURED_LINK, 288, 261, 117, 8, kStatic, true},
};

TEST(DialogTemplates, MainWindowFrame) {
    Dialog d = ParseDialog(IDD_TVCLIENT_DIALOG);
    ASSERT_TRUE(d.parsed);
    EXPECT_EQ(L"Kalda\u7f51\u7edc\u7535\u89c6", d.caption);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(583, d.cx);
    EXPECT_EQ(403, d.cy);
    const uint32_t wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
    EXPECT_EQ(wanted, d.style & wanted);
    EXPECT_EQ(0u, d.style & WS_SYSMENU) << "the skin draws its own window buttons";
    EXPECT_EQ(0u, d.style & (WS_CHILD | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(static_cast<uint32_t>(WS_EX_STATICEDGE | WS_EX_APPWINDOW), d.exStyle);
    EXPECT_EQ(L"", d.menu);
    EXPECT_EQ(L"", d.windowClass);
    EXPECT_EQ(9, d.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", d.typeface);
    EXPECT_EQ(1, d.charset);
}

TEST(DialogTemplates, MainWindowItemsInOrder) {
    Dialog d = ParseDialog(IDD_TVCLIENT_DIALOG);
    ASSERT_TRUE(d.parsed);
    const size_t expected = sizeof(kMainItems) / sizeof(kMainItems[0]);
    ASSERT_EQ(47u, expected);
    ASSERT_EQ(expected, d.items.size());
    std::set<uint32_t> seen;
    for (size_t i = 0; i < expected; ++i) {
        const ExpectedItem& want = kMainItems[i];
        const DialogItem& got = d.items[i];
        SCOPED_TRACE("item " + std::to_string(i) + ", control " + std::to_string(want.id));
        EXPECT_TRUE(seen.insert(got.id).second) << "duplicate id";
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.cx, got.cx);
        EXPECT_EQ(want.cy, got.cy);
        EXPECT_EQ(static_cast<uint32_t>(WS_CHILD | WS_VISIBLE), got.style & (WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(0u, got.exStyle);
        EXPECT_EQ(0u, got.extraCount);

        const bool tabStop = want.id == IDC_WEB_RIGHT || want.id == IDC_WEB_LIST;
        EXPECT_EQ(tabStop, (got.style & WS_TABSTOP) != 0);

        if (want.kind == kStatic) {
            EXPECT_TRUE(SameText(L"Static", got.className)) << std::string(got.className.begin(), got.className.end());
            EXPECT_EQ(want.notify, (got.style & SS_NOTIFY) != 0);
            EXPECT_EQ(want.id != IDC_BAR_LEFT_END, (got.style & WS_GROUP) != 0);
            // the program turns the statics into pictures at run time
            EXPECT_NE(static_cast<uint32_t>(SS_BITMAP), got.style & SS_TYPEMASK);
            EXPECT_EQ(static_cast<uint32_t>(SS_LEFT), got.style & SS_TYPEMASK);
            const bool untitled = want.id == IDC_LOGO || want.id == IDC_LIST_TOGGLE;
            EXPECT_EQ(untitled ? std::wstring() : std::wstring(kStaticText), got.title);
        } else {
            EXPECT_EQ(std::wstring(want.kind == kWeb ? kWebBrowserClass : kPlayerClass), got.className);
            EXPECT_EQ(L"", got.title);
            EXPECT_EQ(0u, got.style & WS_GROUP);
        }
    }
}

TEST(DialogTemplates, AboutBox) {
    Dialog d = ParseDialog(IDD_ABOUTBOX);
    ASSERT_TRUE(d.parsed);
    EXPECT_EQ(L"\u5173\u4e8e", d.caption);
    EXPECT_EQ(235, d.cx);
    EXPECT_EQ(55, d.cy);
    const uint32_t wanted = DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(wanted, d.style & wanted);
    EXPECT_EQ(9, d.pointSize);
    EXPECT_EQ(L"MS Shell Dlg", d.typeface);
    ASSERT_EQ(4u, d.items.size());

    const DialogItem& icon = d.items[0];
    EXPECT_TRUE(SameText(L"Static", icon.className));
    EXPECT_EQ(static_cast<uint32_t>(SS_ICON), icon.style & SS_TYPEMASK);
    EXPECT_EQ(L"#128", icon.title);
    EXPECT_EQ(static_cast<uint32_t>(-1), icon.id);
    EXPECT_EQ(11, icon.x);
    EXPECT_EQ(17, icon.y);
    EXPECT_EQ(20, icon.cx);
    EXPECT_EQ(20, icon.cy);

    for (size_t i : {size_t(1), size_t(2)}) {
        SCOPED_TRACE("text line " + std::to_string(i));
        const DialogItem& line = d.items[i];
        EXPECT_TRUE(SameText(L"Static", line.className));
        EXPECT_EQ(static_cast<uint32_t>(-1), line.id);
        EXPECT_EQ(L"", line.title);  // filled in by the program
        EXPECT_EQ(static_cast<uint32_t>(SS_LEFT), line.style & SS_TYPEMASK);
        EXPECT_NE(0u, line.style & WS_GROUP);
        EXPECT_EQ(40, line.x);
        EXPECT_EQ(i == 1 ? 10 : 26, line.y);
        EXPECT_EQ(119, line.cx);
        EXPECT_EQ(8, line.cy);
    }
    EXPECT_NE(0u, d.items[1].style & SS_NOPREFIX);
    EXPECT_EQ(0u, d.items[2].style & SS_NOPREFIX);

    const DialogItem& ok = d.items[3];
    EXPECT_TRUE(SameText(L"Button", ok.className));
    EXPECT_EQ(static_cast<uint32_t>(IDOK), ok.id);
    EXPECT_EQ(L"\u786e\u5b9a", ok.title);
    EXPECT_EQ(static_cast<uint32_t>(BS_DEFPUSHBUTTON), ok.style & BS_TYPEMASK);
    EXPECT_NE(0u, ok.style & WS_GROUP);
    EXPECT_NE(0u, ok.style & WS_TABSTOP);
    EXPECT_EQ(178, ok.x);
    EXPECT_EQ(7, ok.y);
    EXPECT_EQ(50, ok.cx);
    EXPECT_EQ(16, ok.cy);
}

// ------------------------------------------------------------------ dialog init data

struct InitRecord {
    uint16_t id = 0, kind = 0;
    std::vector<uint8_t> bytes;
};

bool ParseInitData(std::vector<InitRecord>& records, bool& terminated, size_t& trailing) {
    Blob blob = FindBlob(MAKEINTRESOURCE(RT_DLGINIT_DATA), IDD_TVCLIENT_DIALOG);
    if (!blob.data) return false;
    Reader r(blob);
    terminated = false;
    while (r.ok() && r.left() >= 2) {
        InitRecord rec;
        rec.id = r.u16();
        if (rec.id == 0) {
            terminated = true;
            break;
        }
        rec.kind = r.u16();
        const uint32_t count = r.u32();
        rec.bytes = r.bytes(count);
        if (!r.ok()) return false;
        records.push_back(rec);
    }
    trailing = r.left();
    return r.ok();
}

uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

TEST(DialogInitData, OneRecordPerHostedControl) {
    std::vector<InitRecord> records;
    bool terminated = false;
    size_t trailing = 0;
    ASSERT_TRUE(ParseInitData(records, terminated, trailing));
    EXPECT_TRUE(terminated);
    EXPECT_EQ(0u, trailing);
    ASSERT_EQ(4u, records.size());
    const uint16_t ids[] = {IDC_WEB_RIGHT, IDC_WEB_MIDDLE, IDC_WEB_LIST, IDC_PLAYER};
    const size_t sizes[] = {160, 160, 160, 128};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        EXPECT_EQ(ids[i], records[i].id);
        EXPECT_EQ(DLGINIT_PERSIST_STREAM, records[i].kind);
        EXPECT_EQ(sizes[i], records[i].bytes.size());
    }

    // every hosted control of the template, and nothing else, has its record
    Dialog d = ParseDialog(IDD_TVCLIENT_DIALOG);
    ASSERT_TRUE(d.parsed);
    std::set<uint32_t> hosted, recorded;
    for (const DialogItem& item : d.items)
        if (!item.className.empty() && item.className[0] == L'{') hosted.insert(item.id);
    for (const InitRecord& rec : records) recorded.insert(rec.id);
    EXPECT_EQ(hosted, recorded);
}

TEST(DialogInitData, PlayerState) {
    std::vector<InitRecord> records;
    bool terminated = false;
    size_t trailing = 0;
    ASSERT_TRUE(ParseInitData(records, terminated, trailing));
    const InitRecord* player = nullptr;
    for (const InitRecord& rec : records)
        if (rec.id == IDC_PLAYER) player = &rec;
    ASSERT_NE(nullptr, player);
    const std::vector<uint8_t>& b = player->bytes;
    ASSERT_EQ(128u, b.size());
    EXPECT_EQ(0x534C504Bu, Dword(b, 0));
    EXPECT_EQ(0, std::memcmp(b.data(), "KPLS", 4));
    EXPECT_EQ(1, b[4] | (b[5] << 8));   // version
    EXPECT_EQ(0, b[6] | (b[7] << 8));   // no border
    EXPECT_EQ(0x80000000u | COLOR_BTNFACE, Dword(b, 8));
    EXPECT_EQ(50u, Dword(b, 12));       // initial volume
    for (size_t i = 16; i < b.size(); ++i) EXPECT_EQ(0, b[i]) << "padding byte " << i;
}

TEST(DialogInitData, WebPanesStartBlankAtTheirTemplateExtent) {
    std::vector<InitRecord> records;
    bool terminated = false;
    size_t trailing = 0;
    ASSERT_TRUE(ParseInitData(records, terminated, trailing));
    Dialog d = ParseDialog(IDD_TVCLIENT_DIALOG);
    ASSERT_TRUE(d.parsed);
    const GUID viewId = {0x0057D0E0, 0x3573, 0x11CF, {0xAE, 0x69, 0x08, 0x00, 0x2B, 0x2E, 0x12, 0x62}};
    const GUID shellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    size_t panes = 0;
    for (const InitRecord& rec : records) {
        if (rec.id == IDC_PLAYER) continue;
        SCOPED_TRACE("web pane " + std::to_string(rec.id));
        ++panes;
        const std::vector<uint8_t>& b = rec.bytes;
        ASSERT_EQ(160u, b.size());
        const DialogItem* item = nullptr;
        for (const DialogItem& i : d.items)
            if (i.id == rec.id) item = &i;
        ASSERT_NE(nullptr, item);
        // the extent is the control's size at 6x12 dialog base units, in HIMETRIC
        EXPECT_EQ(static_cast<uint32_t>(MulDiv(MulDiv(item->cx, 6, 4), 2540, 96)), Dword(b, 8));
        EXPECT_EQ(static_cast<uint32_t>(MulDiv(MulDiv(item->cy, 12, 8), 2540, 96)), Dword(b, 12));
        EXPECT_EQ(0, std::memcmp(b.data() + 0x3C, &viewId, sizeof(GUID)));
        // the location is a shell link header with no target
        EXPECT_EQ(0x4Cu, Dword(b, 0x54));
        EXPECT_EQ(0, std::memcmp(b.data() + 0x58, &shellLink, sizeof(GUID)));
        EXPECT_EQ(1u, Dword(b, 0x54 + 0x3C));  // shown normally
        EXPECT_EQ(0u, Dword(b, 0x54 + 0x18));  // no file attributes: nothing to open
    }
    EXPECT_EQ(3u, panes);
}

}  // namespace
