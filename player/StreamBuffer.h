// The bytes of one network stream between the thread that downloads them and the parser's
// threads that read them by position. It holds a bounded window: a live stream has no end.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>

class CStreamBuffer {
public:
    // Bytes held ahead of the furthest read; the download waits when they are all there.
    static constexpr LONGLONG kAheadLimit = 4 << 20;
    // Bytes kept behind the furthest read, for a parser that steps back a little.
    static constexpr LONGLONG kBehindLimit = 1 << 20;
    // What a stream without a length reports as its length.
    static constexpr LONGLONG kLiveLength = LONGLONG(1) << 50;

    // The download's side. Append waits for room and is false once the buffer is closed.
    void SetLength(LONGLONG length);
    bool Append(const BYTE* data, size_t size);
    // No more bytes come: reads past the end come back short.
    void Finish();

    // Reads wait for bytes not there yet at most the time; a read of bytes given up or never coming
    // fails at once. S_FALSE: fewer bytes, the stream ended.
    HRESULT Read(LONGLONG position, LONG size, BYTE* out, LONG* read, DWORD timeoutMs);
    void GetLength(LONGLONG* total, LONGLONG* available);
    LONGLONG Received();

    // Wakes every waiter; from then on reads fail and appends are refused.
    void Close();

private:
    void DropConsumed();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<BYTE> m_bytes;
    LONGLONG m_start = 0;  // position of m_bytes.front()
    LONGLONG m_furthestRead = 0;
    LONGLONG m_length = -1;
    bool m_finished = false;
    bool m_closed = false;
};
