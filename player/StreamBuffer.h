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
    // The length every stream reports, whatever the server says: given a real one, Wine's transport
    // stream parser looks for the last timestamps first and starts no programme.
    static constexpr LONGLONG kLiveLength = LONGLONG(1) << 50;
    // A stream silent this long has stalled: no read waits longer for its bytes, nor the download
    // for the server.
    static constexpr DWORD kStallMs = 10000;

    // The download's side. Append waits for room and is false once the buffer is closed.
    bool Append(const BYTE* data, size_t size);
    // No more bytes come: reads past the end come back short.
    void Finish();

    // Reads wait for bytes not there yet until the stream counts as stalled; a read of bytes given up,
    // or wholly past the end of a stream that has ended, fails at once. S_FALSE: fewer bytes, the
    // stream ended.
    HRESULT Read(LONGLONG position, LONG size, BYTE* out, LONG* read);
    void GetLength(LONGLONG* total, LONGLONG* available);

    // Wakes every waiter; from then on reads fail and appends are refused.
    void Close();

private:
    void DropConsumed();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<BYTE> m_bytes;
    LONGLONG m_start = 0;  // position of m_bytes.front()
    LONGLONG m_furthestRead = 0;
    bool m_finished = false;
    bool m_closed = false;
};
