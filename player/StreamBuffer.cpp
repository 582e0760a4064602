#include "StreamBuffer.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <chrono>
#include <iterator>

bool CStreamBuffer::Append(const BYTE* data, size_t size)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (size > 0 && !m_closed) {
        // Fills up to the reach exactly, so that every read that waits gets its bytes.
        m_changed.wait(lock, [&] { return m_closed || Received() < Reach(); });
        if (m_closed)
            break;
        const size_t taken = static_cast<size_t>(std::min<LONGLONG>(LONGLONG(size), Reach() - Received()));
        m_bytes.insert(m_bytes.end(), data, data + taken);
        const bool undecided = m_probe.State() == CTransportProbe::Undecided;
        m_probe.Feed(data, taken);
        if (undecided && m_probe.State() == CTransportProbe::Ready)
            StartAtEntry();
        data += taken;
        size -= taken;
        m_changed.notify_all();
    }
    return !m_closed;
}

void CStreamBuffer::StartAtEntry()
{
    // Nothing has been read yet: the graph is built once the stream is ready.
    const size_t entry = m_probe.EntryOffset();
    if (entry == 0 || m_start != 0 || m_furthestRead != 0 || entry > m_bytes.size())
        return;
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<ptrdiff_t>(entry));
    m_bytes.insert(m_bytes.begin(), m_probe.Tables(), m_probe.Tables() + CTransportProbe::kTablesSize);
    m_aligned = true;
}

bool CStreamBuffer::CanPad(LONGLONG position, LONGLONG end, DWORD asked) const
{
    // Only where some of the read has come: null packets alone tell the parser nothing.
    if (!m_aligned || WholePacketsEnd() <= position || end - WholePacketsEnd() > kAheadLimit)
        return false;
    const bool look = (end - position) % CTransportProbe::kPacketSize != 0;
    return look ? m_starting && WholePacketsEnd() >= kLookPackets * CTransportProbe::kPacketSize
                : GetTickCount() - asked >= kPadAfterMs;
}

void CStreamBuffer::PadTo(LONGLONG end)
{
    // PID 0x1FFF, payload only: every demultiplexer drops it.
    constexpr BYTE kNullHeader[] = {0x47, 0x1F, 0xFF, 0x10};
    const LONGLONG at = WholePacketsEnd();
    const LONGLONG packets = (end - at + CTransportProbe::kPacketSize - 1) / CTransportProbe::kPacketSize;
    std::deque<BYTE> padding;
    for (LONGLONG i = 0; i < packets; ++i) {
        padding.insert(padding.end(), std::begin(kNullHeader), std::end(kNullHeader));
        padding.insert(padding.end(), CTransportProbe::kPacketSize - sizeof(kNullHeader), 0xFF);
    }
    m_bytes.insert(m_bytes.begin() + static_cast<ptrdiff_t>(at - m_start), padding.begin(), padding.end());
}

void CStreamBuffer::Finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

void CStreamBuffer::Started()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_starting = false;
    DropConsumed();
    m_changed.notify_all();
}

CTransportProbe::Verdict CStreamBuffer::StartVerdict()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_probe.State();
}

VideoAspect CStreamBuffer::DisplayAspect()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_probe.DisplayAspect();
}

void CStreamBuffer::Close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_bytes.clear();
    m_changed.notify_all();
}

HRESULT CStreamBuffer::Read(LONGLONG position, LONG size, BYTE* out, LONG* read)
{
    *read = 0;
    if (size < 0 || position < 0)
        return E_INVALIDARG;
    const LONGLONG end = position + size;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_closed)
        return VFW_E_WRONG_STATE;
    // Parsers look at the far end of a stream for tags and timestamps; a live stream has no end, and
    // bytes beyond the reach would never come. Zeros hold nothing a parser looks for.
    if (end > Reach()) {
        std::fill_n(out, size, 0);
        *read = size;
        return S_OK;
    }
    const DWORD asked = GetTickCount();
    while (!m_closed && position >= m_start && !m_finished && Received() < end && !IsAnsweredLook(position, size)) {
        if (CanPad(position, end, asked)) {
            PadTo(end);
            break;
        }
        DWORD waitMs = WaitLeft(asked);
        if (waitMs == 0)
            return VFW_E_TIMEOUT;
        if (m_aligned)
            waitMs = std::min(waitMs, kPadAfterMs);
        m_changed.wait_for(lock, std::chrono::milliseconds(waitMs));
    }
    if (m_closed)
        return VFW_E_WRONG_STATE;
    // Bytes given up before the read came, or while it waited.
    if (position < m_start)
        return E_FAIL;
    const LONGLONG copied = std::max<LONGLONG>(0, std::min(end, Received()) - position);
    // A parser may take the whole buffer whatever the count says: the rest holds no stale bytes.
    std::fill(out + copied, out + size, 0);
    const bool look = copied < size && IsAnsweredLook(position, size);
    if (look && copied == 0) {
        *read = size;
        return S_OK;
    }
    if (copied == 0)
        return size == 0 ? S_OK : HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);  // past the end of a stream that has ended
    std::copy_n(m_bytes.begin() + (position - m_start), copied, out);
    *read = look ? size : static_cast<LONG>(copied);
    m_furthestRead = std::max(m_furthestRead, position + copied);
    m_latestRead = position + copied;
    DropConsumed();
    m_changed.notify_all();
    return copied == size || look ? S_OK : S_FALSE;
}

void CStreamBuffer::GetLength(LONGLONG* total, LONGLONG* available)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    *total = kLiveLength;
    *available = Received();
}

DWORD CStreamBuffer::WaitLeft(DWORD asked) const
{
    const DWORD now = GetTickCount();
    LONG left = static_cast<LONG>(kStallMs - (now - asked));
    if (m_starting)
        left = std::min(left, static_cast<LONG>(m_startDeadline - now));
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

bool CStreamBuffer::IsAnsweredLook(LONGLONG position, LONG size) const
{
    return m_starting && !m_aligned && m_probe.State() == CTransportProbe::Ready &&
           size % CTransportProbe::kPacketSize != 0 &&
           Received() >= std::min<LONGLONG>(position + size, kLookPackets * CTransportProbe::kPacketSize);
}

void CStreamBuffer::DropConsumed()
{
    const LONGLONG keepFrom = m_latestRead - (m_starting ? kStartBehindLimit : kBehindLimit);
    if (keepFrom <= m_start)
        return;
    const LONGLONG dropped = std::min<LONGLONG>(keepFrom - m_start, m_bytes.size());
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + dropped);
    m_start += dropped;
}
