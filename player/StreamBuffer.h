// The bytes of one network stream between the thread that downloads them and the parser's
// threads that read them by position. It holds a bounded window: a live stream has no end.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "TransportProbe.h"

class CStreamBuffer {
public:
    // Bytes held ahead of the furthest read; the download waits when they are all there.
    static constexpr LONGLONG kAheadLimit = 4 << 20;
    // Bytes kept behind the latest read, for a parser that steps back a little while it plays.
    static constexpr LONGLONG kBehindLimit = 1 << 20;
    // The same while the stream starts: the parser decodes on until its graph is cued, then goes back
    // to the programmes' start to play them. Served as fast as the loopback goes that was 2.5 to 3 s
    // of the stream: 1.4 MB for 720p at 5 Mbit/s, up to 3.6 MB for 1080i at 9, 6.8 MB at 22 Mbit/s.
    static constexpr LONGLONG kStartBehindLimit = 16 << 20;
    // The length every stream reports, whatever the server says: given a real one, Wine's transport
    // stream parser looks for the last timestamps first and starts no programme.
    static constexpr LONGLONG kLiveLength = LONGLONG(1) << 50;
    // A stream silent this long has stalled: no read waits longer for its bytes, nor the download
    // for the server.
    static constexpr DWORD kStallMs = 10000;
    // While a transport stream starts, the type finder's looks at it and the demultiplexer's search
    // for its first timestamps (reads of anything but whole packets) are answered once the stream
    // holds this many packets: the first packets tell both what they need, and waiting for the
    // 128 KiB and the 64 KiB they ask for took 6.5 s on a 20 KB/s channel.
    static constexpr LONGLONG kLookPackets = 16;
    // A stream that starts on a packet (its tables, then its first key frame) answers them with null
    // packets after what has come, put into the stream there, so that a later read finds the same
    // bytes; so too a read of whole packets that has waited this long. The demultiplexer reads runs
    // of a hundred packets, which take a second to come on a 20 KB/s channel: the start waited for
    // them, and the picture stood still between them. A stream of another start gets zeros instead.
    static constexpr DWORD kPadAfterMs = 40;

    // Until Started, no read waits past the start deadline, a tick count: a server that trickles must
    // not keep the graph that is being built waiting.
    explicit CStreamBuffer(DWORD startDeadline) : m_startDeadline(startDeadline) {}

    // The download's side. Append waits for room and is false once the buffer is closed.
    bool Append(const BYTE* data, size_t size);
    // No more bytes come: reads past the end come back short.
    void Finish();
    // The stream plays: from now on only a stall ends a read's wait, and less is kept behind.
    void Started();
    // What the bytes appended so far show of the stream's start.
    CTransportProbe::Verdict StartVerdict();
    VideoAspect DisplayAspect();

    // Reads wait for bytes not there yet until the stream counts as stalled; a read of bytes given up,
    // or wholly past the end of a stream that has ended, fails at once. S_FALSE: fewer bytes, the
    // stream ended.
    HRESULT Read(LONGLONG position, LONG size, BYTE* out, LONG* read);
    void GetLength(LONGLONG* total, LONGLONG* available);

    // Wakes every waiter; from then on reads fail and appends are refused.
    void Close();

private:
    LONGLONG Received() const { return m_start + LONGLONG(m_bytes.size()); }
    // Where the download stops until a read moves on: the bytes of a read that ends beyond it would
    // never come.
    LONGLONG Reach() const { return m_furthestRead + kAheadLimit; }
    // How much longer a read asked for at the tick may wait for its bytes; 0 once it has waited enough.
    DWORD WaitLeft(DWORD asked) const;
    void DropConsumed();
    // A transport stream plays from its tables and then its first key frame.
    void StartAtEntry();
    LONGLONG WholePacketsEnd() const { return Received() - Received() % CTransportProbe::kPacketSize; }
    bool CanPad(LONGLONG position, LONGLONG end, DWORD asked) const;
    // Puts null packets after the whole packets that have come, up to the end or beyond.
    void PadTo(LONGLONG end);
    // Whether the read is a look that has what it waits for.
    bool IsAnsweredLook(LONGLONG position, LONG size) const;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<BYTE> m_bytes;
    LONGLONG m_start = 0;  // position of m_bytes.front()
    LONGLONG m_furthestRead = 0;
    LONGLONG m_latestRead = 0;  // where the latest read ended
    DWORD m_startDeadline;
    bool m_starting = true;
    bool m_finished = false;
    bool m_closed = false;
    bool m_aligned = false;  // the stream starts on a packet, so that its packets are where padding goes
    CTransportProbe m_probe;
};
