#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AfxException.h"
#include "AfxString.h"
#include "TestApp.h"

namespace {

// The invalid-argument message, or "" when f does not throw CInvalidArgException.
template <typename F>
std::string InvalidArgMessage(F f)
{
    try {
        f();
    } catch (const CInvalidArgException& e) {
        char text[100];
        EXPECT_TRUE(e.GetErrorMessage(text, sizeof(text)));
        return text;
    }
    return "";
}

const char kInvalidArg[] = "An invalid argument was encountered.";

}  // namespace

TEST(StringTest, LiteralsAreCodePage936)
{
    // Everything below relies on the literals being GBK and the ANSI code page being 936.
    EXPECT_EQ(936u, GetACP());
    EXPECT_STREQ("\xcf\xb0\xa1\xa2", "习、");
    EXPECT_STREQ("\xc3\x7c", "脇");
}

TEST(StringTest, BuildsAndComparesBytes)
{
    EXPECT_TRUE(CString(static_cast<LPCSTR>(NULL)).IsEmpty());
    CString withZero("a\0b", 3);
    EXPECT_EQ(3, withZero.GetLength());
    EXPECT_EQ('b', withZero.GetAt(2));

    CString s = "频道";
    CString moved(std::move(s));
    moved += CString("列表");
    moved += "配置";
    moved += '!';
    EXPECT_EQ("<" + moved + '>', "<频道列表配置!>");
    EXPECT_EQ('[' + CString("x") + "]", "[x]");
    moved = static_cast<LPCSTR>(NULL);
    EXPECT_TRUE(moved.IsEmpty());

    const CString b("b");
    EXPECT_TRUE("b" == b && b != "B" && "a" != b);
    EXPECT_TRUE("a" < b && CString("a") < b && !(b < "a") && !(b < b));
    EXPECT_LT(b.Compare("c"), 0);
    EXPECT_GT(CString("ab").Compare("a"), 0);
    // Bytes compare unsigned: a Chinese character sorts after every ASCII one.
    EXPECT_TRUE(CString("z") < CString("中"));
}

TEST(StringTest, LeftMidRightClampLikeByteCounts)
{
    const CString s("0123456789");
    struct Case {
        CString actual;
        const char* expected;
    } cases[] = {
        {s.Left(3), "012"}, {s.Left(0), ""}, {s.Left(-4), ""}, {s.Left(10), "0123456789"}, {s.Left(99), "0123456789"},
        {s.Right(3), "789"}, {s.Right(0), ""}, {s.Right(-1), ""}, {s.Right(11), "0123456789"},
        {s.Mid(7), "789"}, {s.Mid(-3), "0123456789"}, {s.Mid(10), ""}, {s.Mid(15), ""},
        {s.Mid(2, 3), "234"}, {s.Mid(8, 5), "89"}, {s.Mid(-2, 3), "012"}, {s.Mid(4, -1), ""}, {s.Mid(12, 2), ""},
        {s.Mid(0, 0x7fffffff), "0123456789"}, {s.Mid(9, 0x7fffffff), "9"},
        // Counts are bytes: half of a character may be cut off.
        {CString("中文").Left(2), "中"}, {CString("中文").Mid(2, 2), "文"}, {CString("中文").Right(1), "\xc4"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index++);
        EXPECT_STREQ(c.expected, c.actual);
    }
}

TEST(StringTest, FindLooksAtCharacterBoundariesOnly)
{
    // 脇 is C3 7C: its trail byte is '|'; 乗 is 81 5C: '\\'; 乤 is 81 61: 'a'.
    // Bytewise, 习、 (CF B0 A1 A2) holds 啊 (B0 A1) at offset 1; as characters it does not.
    struct Case {
        const char* text;
        const char* sub;
        int start;
        int expected;
    } cases[] = {
        {"5|脇|7", "|", 0, 1}, {"5|脇|7", "|", 2, 4}, {"5|脇|7", "|", 5, -1}, {"脇亅", "|", 0, -1},
        {"乗\\x", "\\", 0, 2}, {"乤a", "a", 0, 2}, {"脇脇", "脇", 2, 2}, {"习、", "啊", 0, -1}, {"习、", "、", 0, 2},
        {"啊啊", "啊", 0, 0}, {"a;b;", ";", 3, 3}, {"a;b;", ";", 4, -1}, {"a;b;", ";", 100, -1},
        {"a;b;", "b;", 0, 2}, {"a;b;", "b;;", 0, -1}, {"", "x", 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sub) + " in " + c.text + " from " + std::to_string(c.start));
        EXPECT_EQ(c.expected, CString(c.text).Find(c.sub, c.start));
        if (c.sub[1] == '\0') {
            EXPECT_EQ(c.expected, CString(c.text).Find(c.sub[0], c.start));
        }
    }
    // Half a character is never found; a lead byte cut off at the end is a character of its own.
    EXPECT_EQ(-1, CString("脇").Find('\xc3'));
    EXPECT_EQ(2, CString("ab\xc3").Find('\xc3'));

    // The empty string is found where the search starts, up to the end.
    const CString s("a;b;");
    EXPECT_EQ(2, s.Find("", 2));
    EXPECT_EQ(4, s.Find("", 4));
    EXPECT_EQ(-1, s.Find("", 5));
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { s.Find(";", -1); }));
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { s.Find(';', -1); }));
}

TEST(StringTest, TrimRemovesAsciiWhiteSpaceOnly)
{
    struct Case {
        const char* source;
        const char* trim;
        const char* left;
        const char* right;
    } cases[] = {
        {" \t\r\n\v\f中文 节目\f\v\n\r\t ", "中文 节目", "中文 节目\f\v\n\r\t ", " \t\r\n\v\f中文 节目"},
        {"脇 ", "脇", "脇 ", "脇"},
        {" 乗", "乗", "乗", " 乗"},
        {"  ", "", "", ""},
        {"", "", "", ""},
        {"a\x01", "a\x01", "a\x01", "a\x01"},
        {"\xa1\xa1", "\xa1\xa1", "\xa1\xa1", "\xa1\xa1"},  // the ideographic space is no ASCII white space
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        CString trim(c.source), left(c.source), right(c.source);
        EXPECT_STREQ(c.trim, trim.Trim());
        EXPECT_STREQ(c.left, left.TrimLeft());
        EXPECT_STREQ(c.right, right.TrimRight());
    }
}

TEST(StringTest, FormatAndBuffers)
{
    CString s;
    s.Format("%s=%d;%05.1f", "频道", 42, 2.5);
    EXPECT_EQ(s, "频道=42;002.5");
    s.Format("%s%s", static_cast<LPCSTR>(s), static_cast<LPCSTR>(s));
    EXPECT_EQ(s, "频道=42;002.5频道=42;002.5");
    const std::string longText(5000, 'x');
    s.Format("[%s]", longText.c_str());
    EXPECT_EQ(5002, s.GetLength());
    EXPECT_EQ(s, ("[" + longText + "]").c_str());

    CString path;
    DWORD length = GetCurrentDirectoryA(MAX_PATH, path.GetBuffer(MAX_PATH));
    path.ReleaseBuffer();
    EXPECT_EQ(static_cast<int>(length), path.GetLength());
    EXPECT_NE(-1, path.Find("\\"));

    CString b("abcdef");
    strcpy(b.GetBuffer(2), "xy");  // a smaller request keeps the whole buffer
    b.ReleaseBuffer();
    EXPECT_EQ(b, "xy");
    b.GetBuffer(10)[1] = 'Y';
    b.ReleaseBuffer(2);
    EXPECT_EQ(b, "xY");
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { b.ReleaseBuffer(3); }));
}

TEST(StringTest, OutOfRangeThrowsInvalidArgument)
{
    const CString s("ab");
    EXPECT_EQ('b', s.GetAt(1));
    for (int index : {-1, 2, 100}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { s.GetAt(index); }));
    }
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([] { CString("x", -1); }));

    CStringArray arr;
    EXPECT_TRUE(arr.IsEmpty());
    EXPECT_EQ(0, arr.Add("零"));
    EXPECT_EQ(1, arr.Add(CString("一")));
    const CStringArray& constArr = arr;
    for (INT_PTR index : {INT_PTR(-1), INT_PTR(2), INT_PTR(1000)}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr.GetAt(index); }));
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr[index]; }));
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { constArr[index]; }));
        EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr.SetAt(index, "x"); }));
    }
    EXPECT_EQ(kInvalidArg, InvalidArgMessage([&] { arr.SetAtGrow(-1, "x"); }));
    EXPECT_EQ(2, arr.GetSize());
    EXPECT_EQ(arr[0], "零");
    EXPECT_EQ(constArr[1], "一");
}

TEST(StringTest, ArrayGrowsAndEmpties)
{
    CStringArray arr;
    arr.SetAtGrow(3, "三");
    ASSERT_EQ(4, arr.GetSize());
    EXPECT_EQ(4, arr.GetCount());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(arr.GetAt(i).IsEmpty()) << i;
    EXPECT_EQ(arr.GetAt(3), "三");
    arr.SetAtGrow(1, "一");
    arr.SetAt(0, "零");
    arr[2] = "二";
    EXPECT_EQ(4, arr.GetSize());
    const char* expected[] = {"零", "一", "二", "三"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(arr[i], expected[i]) << i;
    EXPECT_EQ(4, arr.Add(""));
    EXPECT_FALSE(arr.IsEmpty());
    arr.RemoveAll();
    EXPECT_TRUE(arr.IsEmpty());
    EXPECT_EQ(0, arr.GetSize());
    EXPECT_EQ(0, arr.Add("x"));
}

TEST(StringTest, LoadStringOfAMissingResource)
{
    // This program has no string table: every id is missing and the string stays as it was.
    CString s("unchanged");
    EXPECT_FALSE(s.LoadString(101));
    EXPECT_FALSE(s.LoadString(0xfff0));
    EXPECT_EQ(s, "unchanged");
}

namespace {
// An exception with nothing to say.
class CSilentException : public CException {
public:
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const override
    {
        return CopyMessage("", lpszError, nMaxError, pnHelpContext);
    }
};
}  // namespace

TEST(ExceptionTest, ReportErrorShowsTheMessage)
{
    CTestApp& app = TestApp();
    app.m_messages.clear();
    app.m_answers = {IDRETRY};
    try {
        AfxThrowInvalidArgException();
    } catch (const CException& e) {
        EXPECT_EQ(IDRETRY, e.ReportError(MB_ICONSTOP));
    }
    try {
        AfxThrowFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, ".\\Channel.txt");
    } catch (const CException& e) {
        EXPECT_EQ(IDOK, e.ReportError());
    }
    // Without a message of its own and without that string resource, the box is empty.
    EXPECT_EQ(IDOK, CSilentException().ReportError(MB_ICONINFORMATION, 0xfff0));
    ASSERT_EQ(3u, app.m_messages.size());
    EXPECT_STREQ(kInvalidArg, app.m_messages[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), app.m_messages[0].type);
    EXPECT_EQ(0, app.m_messages[1].text.Find(".\\Channel.txt: "));
    EXPECT_TRUE(app.m_messages[2].text.IsEmpty());
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), app.m_messages[2].type);
    app.m_messages.clear();
}

TEST(ExceptionTest, ErrorMessageIsCutAtCharacters)
{
    CInvalidArgException e;
    char text[8];
    UINT help = 77;
    memset(text, 'x', sizeof(text));
    EXPECT_TRUE(e.GetErrorMessage(text, sizeof(text), &help));
    EXPECT_STREQ("An inva", text);
    EXPECT_EQ(0u, help);
    EXPECT_FALSE(e.GetErrorMessage(text, 0));
    EXPECT_FALSE(e.GetErrorMessage(NULL, 10));

    // "频道列表" is 8 bytes: 7 bytes of room hold three characters, not three and a half.
    CFileException file(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "频道列表");
    EXPECT_TRUE(file.GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ("频道列", text);
    EXPECT_TRUE(file.GetErrorMessage(text, 2));
    EXPECT_STREQ("", text);
}
