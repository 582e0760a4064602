#include <gtest/gtest.h>

#include "AfxException.h"
#include "AfxString.h"
#include "TestApp.h"
#include "TestHelpers.h"

TEST(StringTest, HoldsJoinsAndComparesCodePage936Bytes)
{
    // Everything here relies on the literals being GBK and the ANSI code page being 936.
    ASSERT_EQ(936u, GetACP());
    EXPECT_STREQ("\xc3\x7c", "脇");
    const CString withZero("a\0b", 3);
    EXPECT_EQ('b', withZero.GetAt(2));
    EXPECT_THROW(withZero.GetAt(3), CInvalidArgException);
    // Equal means every byte, the ones after a zero byte too.
    EXPECT_FALSE(withZero == CString("a\0c", 3));
    EXPECT_TRUE(withZero == CString("a\0b", 3));
    EXPECT_TRUE(CString(static_cast<LPCSTR>(NULL)).IsEmpty());
    EXPECT_STREQ("<频道列表>", CString("<") + "频道" + CString("列表") + ">");
}

TEST(StringTest, LeftMidRightClampToTheStringAndTrimTakesAsciiWhiteSpaceOnly)
{
    const CString s("0123456789");
    struct Case { CString actual; const char* expected; } cases[] = {
        {s.Left(3), "012"}, {s.Left(-4), ""}, {s.Left(99), "0123456789"}, {s.Right(3), "789"}, {s.Right(-1), ""},
        {s.Right(11), "0123456789"}, {s.Mid(2, 3), "234"}, {s.Mid(8, 5), "89"}, {s.Mid(-2, 3), "012"},
        {s.Mid(4, -1), ""}, {s.Mid(12, 2), ""}, {s.Mid(9, 0x7fffffff), "9"},
        // Counts are bytes: half of a character may be cut off.
        {CString("中文").Left(2), "中"}, {CString("中文").Mid(2, 2), "文"}, {CString("中文").Right(1), "\xc4"},
        {CString(" \t\r\n\v\f中文 节目\f\v\n\r\t ").Trim(), "中文 节目"},
        // 乗 is 81 5C, and the ideographic space A1 A1 is no ASCII white space.
        {CString(" 乗 ").Trim(), "乗"}, {CString("  ").Trim(), ""}, {CString("\xa1\xa1").Trim(), "\xa1\xa1"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.expected, c.actual) << "case " << &c - cases;
}

TEST(StringTest, FindLooksAtCharacterBoundariesOnly)
{
    // 脇 is C3 7C: its trail byte is '|'; 乗 is 81 5C: '\\'; 乤 is 81 61: 'a'.
    // Bytewise, 习、 (CF B0 A1 A2) holds 啊 (B0 A1) at offset 1; as characters it does not.
    struct Case { const char* text; const char* sub; int start; int expected; } cases[] = {
        {"5|脇|7", "|", 0, 1}, {"5|脇|7", "|", 2, 4}, {"脇亅", "|", 0, -1}, {"乗\\x", "\\", 0, 2}, {"乤a", "a", 0, 2},
        {"脇脇", "脇", 2, 2}, {"习、", "啊", 0, -1}, {"习、", "、", 0, 2}, {"a;b;", ";", 4, -1}, {"a;b;", ";", 100, -1},
        {"a;b;", "b;", 0, 2}, {"a;b;", "b;;", 0, -1}, {"a;b;", "", 4, 4}, {"a;b;", "", 5, -1},
        // A lead byte cut off at the end is a character of its own.
        {"ab\xc3", "\xc3", 0, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CString(c.text).Find(c.sub, c.start)) << c.sub << " in " << c.text << " from " << c.start;
    EXPECT_THROW(CString("a;").Find(";", -1), CInvalidArgException);
}

TEST(StringArrayTest, IndexesOutsideThrowAndSetAtGrowFillsWithEmptyStrings)
{
    CStringArray arr;
    arr.SetAtGrow(1, "一");
    for (INT_PTR index : {-1, 2})
        EXPECT_THROW(arr.GetAt(index), CInvalidArgException) << index;
    EXPECT_THROW(arr.SetAtGrow(-1, "x"), CInvalidArgException);
    arr.SetAtGrow(3, "三");
    arr.SetAtGrow(0, "零");
    EXPECT_EQ(ToEntries(arr), (Entries{"零", "一", "", "三"}));
}

TEST(ExceptionTest, MessagesAreCutAtCharactersAndShown)
{
    // "频道列表" is 8 bytes: 7 bytes of room hold three characters, not three and a half.
    char text[8];
    EXPECT_TRUE(CFileException(ERROR_FILE_NOT_FOUND, "频道列表").GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ("频道列", text);
    EXPECT_TRUE(CInvalidArgException().GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ("An inva", text);
    EXPECT_FALSE(CInvalidArgException().GetErrorMessage(text, 0));
    // A description the object gave wins over the system's words for the error.
    EXPECT_TRUE(COleException(E_FAIL, "播放").GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ("播放", text);

    TestApp().m_messages.clear();
    TestApp().m_answers = {IDRETRY};
    EXPECT_EQ(IDRETRY, CInvalidArgException().ReportError(MB_ICONSTOP));
    ASSERT_EQ(1u, TestApp().m_messages.size());
    EXPECT_STREQ("An invalid argument was encountered.", TestApp().m_messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), TestApp().m_messages[0].type);
}
