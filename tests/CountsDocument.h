// Online-count documents as the channel server writes them, for the tests that read them.
#pragma once

#include <string>
#include <vector>

using Strings = std::vector<std::string>;

// A channel server record: eight fields, then the count as the ninth child; lead goes before the fields.
inline std::string Record(const std::string& count, const std::string& lead = "")
{
    const char fields[] = "<F0>f0</F0><F1>f1</F1><F2>f2</F2><F3>f3</F3><F4>f4</F4><F5>f5</F5><F6>f6</F6><F7>f7</F7>";
    const std::string online = count.empty() ? "<Online/>" : "<Online>" + count + "</Online>";
    return "<Channel>" + lead + fields + online + "</Channel>";
}

// The channel server's document: between goes before each record and before the end.
inline std::string Document(const Strings& records, const std::string& between = "")
{
    std::string document = "<?xml version=\"1.0\"?><Channels>";
    for (const std::string& record : records)
        document += between + record;
    return document + between + "</Channels>";
}

// Distinct numbers as text, from the first on.
inline Strings Numbers(int nCount, int nFirst)
{
    Strings numbers;
    for (int i = 0; i < nCount; ++i)
        numbers.push_back(std::to_string(nFirst + 37 * i));
    return numbers;
}

inline Strings Records(Strings counts)
{
    for (std::string& count : counts)
        count = Record(count);
    return counts;
}
