#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AfxException.h"
#include "channels/Tokenizer.h"

namespace {

using Entries = std::vector<std::string>;

Entries ToEntries(const CStringArray& arr)
{
    Entries entries;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        entries.emplace_back(arr[i], arr[i].GetLength());
    return entries;
}

Entries Split(const char* source, const char* delimiter, BOOL skipEmpty = TRUE)
{
    CTokenizer tokenizer;
    tokenizer.SetDelimiter(delimiter);
    tokenizer.m_bSkipEmpty = skipEmpty;
    tokenizer.SetSource(source);
    CStringArray arr;
    tokenizer.Split(arr);
    return ToEntries(arr);
}

}  // namespace

TEST(TokenizerTest, StartsWithCommaAndSkipsEmpties)
{
    CTokenizer tokenizer;
    EXPECT_EQ(tokenizer.m_strDelimiter, ",");
    EXPECT_TRUE(tokenizer.m_bSkipEmpty);
    EXPECT_TRUE(tokenizer.m_strSource.IsEmpty());
    tokenizer.SetSource("x,,y");
    CStringArray arr;
    tokenizer.Split(arr);
    EXPECT_EQ((Entries{"x", "y"}), ToEntries(arr));
}

TEST(TokenizerTest, SplitsAtEveryDelimiter)
{
    struct Case {
        const char* source;
        const char* delimiter;
        Entries entries;
    } cases[] = {
        {"a;;b;", ";", {"a", "b"}},
        {" a ; b ", ";", {"a ", " b"}},
        {"", ";", {}},
        {";", ";", {}},
        {";;;", ";", {}},
        {" \t; ;\r\n", ";", {" "}},
        {";a;b", ";", {"a", "b"}},
        {"a;b", ";", {"a", "b"}},
        {"|5||7|", "|", {"5", "7"}},
        {"rtsp://h/1 ;\tmms://h/2", ";", {"rtsp://h/1 ", "\tmms://h/2"}},
        // Trail bytes equal to the delimiter: 脇 is C3 7C.
        {"1|脇|3", "|", {"1", "脇", "3"}},
        {"脇脇|亅", "|", {"脇脇", "亅"}},
        {"5|脇", "|", {"5", "脇"}},
        {"脇", "|", {"脇"}},
        // A double-byte delimiter goes whole.
        {"甲，乙，", "，", {"甲", "乙"}},
        // Only the first character of a longer delimiter is removed with its entry.
        {"xabyab", "ab", {"x", "by"}},
        {"xaay", "aa", {"x", "ay"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " split at " + c.delimiter);
        EXPECT_EQ(c.entries, Split(c.source, c.delimiter));
    }
}

TEST(TokenizerTest, KeepsEmptiesWhenAsked)
{
    EXPECT_EQ((Entries{"a", "", "b"}), Split("a;;b;", ";", FALSE));
    EXPECT_EQ((Entries{"", "5", "", "7"}), Split("|5||7|", "|", FALSE));
    EXPECT_EQ((Entries{"a", "b"}), Split("a;b", ";", FALSE));
    EXPECT_EQ((Entries{""}), Split(";", ";", FALSE));
    EXPECT_EQ((Entries{""}), Split(" ", ";", FALSE));
    EXPECT_EQ((Entries{"", ""}), Split("\n;;", ";", FALSE));
}

TEST(TokenizerTest, SourceIsTrimmedAtItsEndsOnly)
{
    CTokenizer tokenizer;
    tokenizer.SetSource(" \t\r\n\v\f中 文\t;\r\n节目 \f\v\n\r\t ");
    EXPECT_EQ(tokenizer.m_strSource, "中 文\t;\r\n节目");
    tokenizer.SetSource("脇 ");
    EXPECT_EQ(tokenizer.m_strSource, "脇");
    tokenizer.SetSource("\t\r\n");
    EXPECT_TRUE(tokenizer.m_strSource.IsEmpty());
}

TEST(TokenizerTest, SplitAppendsAndChangesNothingElse)
{
    CTokenizer tokenizer;
    tokenizer.SetDelimiter("|");
    tokenizer.SetSource("5|7");
    CStringArray arr;
    arr.Add("earlier");
    tokenizer.Split(arr);
    tokenizer.Split(arr);
    EXPECT_EQ((Entries{"earlier", "5", "7", "5", "7"}), ToEntries(arr));
    EXPECT_EQ(tokenizer.m_strDelimiter, "|");
    EXPECT_EQ(tokenizer.m_strSource, "5|7");
    EXPECT_TRUE(tokenizer.m_bSkipEmpty);
}

TEST(TokenizerTest, EmptyDelimiterIsRejected)
{
    CTokenizer tokenizer;
    tokenizer.SetSource("a,b");
    tokenizer.SetDelimiter("");
    CStringArray arr;
    EXPECT_THROW(tokenizer.Split(arr), CInvalidArgException);
    EXPECT_TRUE(arr.IsEmpty());
}

TEST(TokenizerTest, SplitsMegabytesInLinearTime)
{
    // 400,000 entries in 8 MB: copying the rest of the text for each entry would take hours.
    const int count = 400000;
    std::string source;
    source.reserve(10 * 1024 * 1024);
    for (int i = 0; i < count; ++i)
        source += "mms://10.0.0.1/" + std::to_string(i) + (i % 1000 == 0 ? ";;" : ";");
    source.pop_back();
    ASSERT_GT(source.size(), 5u * 1024 * 1024);

    CTokenizer tokenizer;
    tokenizer.SetDelimiter(";");
    tokenizer.SetSource(source.c_str());
    CStringArray arr;
    tokenizer.Split(arr);
    ASSERT_EQ(count, arr.GetSize());
    for (int i : {0, 1, 999, 1000, 1001, 123456, count - 1}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(arr[i], ("mms://10.0.0.1/" + std::to_string(i)).c_str());
    }
}
