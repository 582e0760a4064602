#include <gtest/gtest.h>

#include <string>

#include "AfxException.h"
#include "AfxString.h"
#include "TestApp.h"
#include "TestHelpers.h"

namespace {

const char kInvalidArg[] = "An invalid argument was encountered.";

// The invalid-argument message, or "" when f does not throw CInvalidArgException.
template <typename F>
std::string InvalidArgMessage(F f)
{
    char text[100] = "";
    try {
        f();
    } catch (const CInvalidArgException& e) {
        EXPECT_TRUE(e.GetErrorMessage(text, sizeof(text)));
    }
    return text;
}

}  // namespace

TEST(StringTest, HoldsComparesFormatsAndLendsCodePage936Bytes)
{
    // Everything here relies on the literals being GBK and the ANSI code page being 936.
    ASSERT_EQ(936u, GetACP());
    EXPECT_STREQ("\xcf\xb0\xa1\xa2", "习、");
    EXPECT_STREQ("\xc3\x7c", "脇");
    CString withZero("a\0b", 3);
    EXPECT_EQ(3, withZero.GetLength());
    EXPECT_EQ('b', withZero.GetAt(2));
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { withZero.GetAt(3); }));
    EXPECT_TRUE(CString(static_cast<LPCSTR>(NULL)).IsEmpty());
    EXPECT_EQ('<' + CString("频道") + "列表" + '>', "<频道列表>");
    // Bytes compare unsigned: a Chinese character sorts after every ASCII one.
    EXPECT_TRUE(CString("z") < CString("中"));
    EXPECT_LT(CString("a").Compare("ab"), 0);
    const std::string longText(5000, 'x');
    CString s;
    s.Format("[%s]%d", longText.c_str(), 42);
    EXPECT_EQ(s, ("[" + longText + "]42").c_str());
    CString b("abcdef");
    strcpy(b.GetBuffer(2), "xy");  // a smaller request keeps the whole buffer
    b.ReleaseBuffer();
    EXPECT_EQ(b, "xy");
    b.GetBuffer(10)[1] = 'Y';
    b.ReleaseBuffer(2);
    EXPECT_EQ(b, "xY");
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { b.ReleaseBuffer(3); }));
}

TEST(StringTest, LeftMidRightClampToTheStringAndTrimTakesAsciiWhiteSpaceOnly)
{
    const CString s("0123456789"), spaced(" \t\r\n\v\f中文 节目\f\v\n\r\t ");
    const CString wide("\xa1\xa1");  // the ideographic space, which is no ASCII white space
    struct Case { CString actual; const char* expected; } cases[] = {
        {s.Left(3), "012"}, {s.Left(-4), ""}, {s.Left(99), "0123456789"}, {s.Right(3), "789"}, {s.Right(-1), ""},
        {s.Right(11), "0123456789"}, {s.Mid(7), "789"}, {s.Mid(-3), "0123456789"}, {s.Mid(15), ""}, {s.Mid(2, 3), "234"},
        {s.Mid(8, 5), "89"}, {s.Mid(-2, 3), "012"}, {s.Mid(4, -1), ""}, {s.Mid(12, 2), ""}, {s.Mid(9, 0x7fffffff), "9"},
        // Counts are bytes: half of a character may be cut off.
        {CString("中文").Left(2), "中"}, {CString("中文").Mid(2, 2), "文"}, {CString("中文").Right(1), "\xc4"},
        {CString(spaced).Trim(), "中文 节目"}, {CString(spaced).TrimLeft(), "中文 节目\f\v\n\r\t "},
        {CString(spaced).TrimRight(), " \t\r\n\v\f中文 节目"},
        {CString(" 乗 ").Trim(), "乗"}, {CString(" 乗 ").TrimLeft(), "乗 "}, {CString(" 乗 ").TrimRight(), " 乗"},
        {CString("  ").Trim(), ""}, {CString("  ").TrimLeft(), ""}, {CString("  ").TrimRight(), ""},
        {CString(wide).Trim(), wide}, {CString(wide).TrimLeft(), wide}, {CString(wide).TrimRight(), wide},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.expected, c.actual) << "case " << &c - cases;
}

TEST(StringTest, FindLooksAtCharacterBoundariesOnly)
{
    // 脇 is C3 7C: its trail byte is '|'; 乗 is 81 5C: '\\'; 乤 is 81 61: 'a'.
    // Bytewise, 习、 (CF B0 A1 A2) holds 啊 (B0 A1) at offset 1; as characters it does not.
    struct Case { const char* text; std::string sub; int start; int expected; } cases[] = {
        {"5|脇|7", "|", 0, 1}, {"5|脇|7", "|", 2, 4}, {"脇亅", "|", 0, -1}, {"乗\\x", "\\", 0, 2},
        {"乤a", "a", 0, 2}, {"脇脇", "脇", 2, 2}, {"习、", "啊", 0, -1}, {"习、", "、", 0, 2}, {"a;b;", ";", 4, -1},
        {"a;b;", ";", 100, -1}, {"a;b;", "b;", 0, 2}, {"a;b;", "b;;", 0, -1}, {"a;b;", "", 4, 4}, {"a;b;", "", 5, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sub + " in " + c.text + " from " + std::to_string(c.start));
        EXPECT_EQ(c.expected, CString(c.text).Find(c.sub.c_str(), c.start));
        if (c.sub.size() == 1) {
            EXPECT_EQ(c.expected, CString(c.text).Find(c.sub[0], c.start));
        }
    }
    // Half a character is never found; a lead byte cut off at the end is a character of its own.
    EXPECT_EQ(-1, CString("脇").Find('\xc3'));
    EXPECT_EQ(2, CString("ab\xc3").Find('\xc3'));
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([] { CString("a;").Find(";", -1); }));
}

TEST(StringArrayTest, IndexesOutsideThrowAndSetAtGrowFillsWithEmptyStrings)
{
    CStringArray arr;
    arr.SetAtGrow(1, "一");
    for (INT_PTR index : {INT_PTR(-1), INT_PTR(2)}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr.GetAt(index); }));
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr[index]; }));
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { static_cast<const CStringArray&>(arr)[index]; }));
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr.SetAt(index, "x"); }));
    }
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr.SetAtGrow(-1, "x"); }));
    arr.SetAtGrow(3, "三");
    arr.SetAtGrow(0, "零");
    EXPECT_EQ(ToEntries(arr), (Entries{"零", "一", "", "三"}));
}

TEST(ExceptionTest, MessagesAreCutAtCharactersAndShown)
{
    // "频道列表" is 8 bytes: 7 bytes of room hold three characters, not three and a half.
    char text[8];
    CFileException file(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "频道列表");
    EXPECT_TRUE(file.GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ("频道列", text);
    EXPECT_TRUE(CInvalidArgException().GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ("An inva", text);
    EXPECT_FALSE(CInvalidArgException().GetErrorMessage(text, 0));
    TestApp().m_messages.clear();
    TestApp().m_answers = {IDRETRY};
    EXPECT_EQ(IDRETRY, CInvalidArgException().ReportError(MB_ICONSTOP));
    ASSERT_EQ(1u, TestApp().m_messages.size());
    EXPECT_STREQ(kInvalidArg, TestApp().m_messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), TestApp().m_messages[0].type);
    TestApp().m_messages.clear();
}
