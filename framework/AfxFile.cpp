#include "AfxFile.h"

#include <cstring>

namespace {
const size_t kReadChunk = 64 * 1024;
}

CStdioFile::CStdioFile(LPCSTR lpszFileName)
    : m_hFile(INVALID_HANDLE_VALUE), m_strFileName(lpszFileName), m_buffer(kReadChunk), m_nBufferPos(0), m_nBufferEnd(0)
{
    // Others may go on reading and writing the file, as with the C runtime's fopen.
    m_hFile = CreateFileA(lpszFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, NULL);
    if (m_hFile == INVALID_HANDLE_VALUE)
        AfxThrowFileException(static_cast<LONG>(GetLastError()), lpszFileName);
}

CStdioFile::~CStdioFile()
{
    Close();
}

bool CStdioFile::FillBuffer()
{
    DWORD nRead = 0;
    if (!ReadFile(m_hFile, m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &nRead, NULL))
        AfxThrowFileException(static_cast<LONG>(GetLastError()), m_strFileName);
    m_nBufferPos = 0;
    m_nBufferEnd = nRead;
    return nRead != 0;
}

BOOL CStdioFile::ReadString(CString& rString)
{
    rString.Empty();
    bool readAny = false;
    for (;;) {
        if (m_nBufferPos == m_nBufferEnd && !FillBuffer())
            return readAny;
        readAny = true;
        const char* begin = m_buffer.data() + m_nBufferPos;
        const size_t available = m_nBufferEnd - m_nBufferPos;
        const char* newline = static_cast<const char*>(memchr(begin, '\n', available));
        if (newline == NULL) {
            rString += CString(begin, static_cast<int>(available));
            m_nBufferPos = m_nBufferEnd;
            continue;
        }
        rString += CString(begin, static_cast<int>(newline - begin));
        m_nBufferPos += static_cast<size_t>(newline - begin) + 1;
        // The CR of a CR LF may have come with the previous chunk: look at the line as read.
        int length = rString.GetLength();
        if (length > 0 && rString.GetAt(length - 1) == '\r')
            rString = rString.Left(length - 1);
        return TRUE;
    }
}

void CStdioFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
    m_nBufferPos = 0;
    m_nBufferEnd = 0;
}
