#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AfxException.h"
#include "TestHelpers.h"
#include "channels/Tokenizer.h"

TEST(TokenizerTest, SplitsAtEveryDelimiter)
{
    // A null delimiter: the tokenizer's own.
    struct Case { const char* source; const char* delimiter; BOOL skipEmpty; Entries entries; } cases[] = {
        {"a;;b;", ";", TRUE, {"a", "b"}}, {" a ; b ", ";", TRUE, {"a ", " b"}}, {"", ";", TRUE, {}},
        // Only the two ends of the whole text are trimmed, of every kind of white space.
        {" \t\r\n\v\f中 文\t;\r\n节目 \f\v\n\r\t ", ";", TRUE, {"中 文\t", "\r\n节目"}},
        {";;;", ";", TRUE, {}}, {"|5||7|", "|", TRUE, {"5", "7"}}, {"x,,y", NULL, TRUE, {"x", "y"}},
        // Trail bytes equal to the delimiter: 脇 is C3 7C, as in a CHANNELNUM value.
        {"1|脇|3", "|", TRUE, {"1", "脇", "3"}}, {"5|脇", "|", TRUE, {"5", "脇"}}, {"甲，乙，", "，", TRUE, {"甲", "乙"}},
        // Only the first character of a longer delimiter goes with its entry, as the client always read lists.
        {"xabyab", "ab", TRUE, {"x", "by"}},
        {"|5||7|", "|", FALSE, {"", "5", "", "7"}}, {" ", ";", FALSE, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " split at " + (c.delimiter ? c.delimiter : "default"));
        CTokenizer tokenizer;
        if (c.delimiter)
            tokenizer.SetDelimiter(c.delimiter);
        tokenizer.m_bSkipEmpty = c.skipEmpty;
        tokenizer.SetSource(c.source);
        CStringArray arr;
        tokenizer.Split(arr);
        EXPECT_EQ(c.entries, ToEntries(arr));
    }
}

TEST(TokenizerTest, SplitAppendsAndRejectsAnEmptyDelimiter)
{
    CTokenizer tokenizer;
    tokenizer.SetDelimiter("|");
    tokenizer.SetSource("5|7");
    CStringArray arr;
    arr.Add("earlier");
    tokenizer.Split(arr);
    tokenizer.Split(arr);
    EXPECT_EQ((Entries{"earlier", "5", "7", "5", "7"}), ToEntries(arr));
    tokenizer.SetDelimiter("");
    EXPECT_THROW(tokenizer.Split(arr), CInvalidArgException);
}
