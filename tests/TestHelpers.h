// Small helpers the test files share.
#pragma once

#include <string>
#include <vector>

#include "AfxString.h"

using Entries = std::vector<std::string>;

// The entries of an array as byte strings, for comparing with a list of expected entries.
inline Entries ToEntries(const CStringArray& arr)
{
    Entries entries;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        entries.emplace_back(arr.GetAt(i), arr.GetAt(i).GetLength());
    return entries;
}
