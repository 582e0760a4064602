// Reading text files line by line.
#pragma once

#include <windows.h>

#include <vector>

#include "AfxException.h"
#include "AfxString.h"

// A text file opened for reading. Lines end with CR LF or LF; a CR anywhere else, and Ctrl-Z, are text.
class CStdioFile {
public:
    // Throws CFileException when the file cannot be opened.
    explicit CStdioFile(LPCSTR lpszFileName);
    ~CStdioFile();

    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    // The next line without its line break, however long; FALSE at the end of the file.
    // A read error throws CFileException.
    BOOL ReadString(CString& rString);

    void Close();

private:
    // Refills the buffer; false at the end of the file.
    bool FillBuffer();

    HANDLE m_hFile;
    CString m_strFileName;
    std::vector<char> m_buffer;
    size_t m_nBufferPos;
    size_t m_nBufferEnd;
};
