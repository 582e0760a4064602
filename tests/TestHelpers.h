// Small helpers the test files share.
#pragma once

#include <windows.h>

#include <fstream>
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

// Files of exact bytes in the current directory, deleted when the object goes.
class CScratchFiles {
public:
    ~CScratchFiles()
    {
        for (const std::string& name : m_names)
            ::DeleteFileA(name.c_str());
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary) << bytes;
        m_names.push_back(name);
        return m_names.back();
    }
    // A file of a name of its own, given with ".\\" so that the profile functions look here too.
    std::string Write(const std::string& bytes)
    {
        const std::string number = std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(m_names.size());
        return Write(".\\scratch_" + number, bytes);
    }

private:
    std::vector<std::string> m_names;
};
