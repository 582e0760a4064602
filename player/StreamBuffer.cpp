#include "StreamBuffer.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <chrono>

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
        data += taken;
        size -= taken;
        m_changed.notify_all();
    }
    return !m_closed;
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
    while (!m_closed && position >= m_start && !m_finished && Received() < end) {
        const DWORD waitMs = WaitLeft(asked);
        if (waitMs == 0)
            return VFW_E_TIMEOUT;
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
    if (copied == 0)
        return size == 0 ? S_OK : HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);  // past the end of a stream that has ended
    std::copy_n(m_bytes.begin() + (position - m_start), copied, out);
    *read = static_cast<LONG>(copied);
    m_furthestRead = std::max(m_furthestRead, position + copied);
    m_latestRead = position + copied;
    DropConsumed();
    m_changed.notify_all();
    return copied == size ? S_OK : S_FALSE;
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

void CStreamBuffer::DropConsumed()
{
    const LONGLONG keepFrom = m_latestRead - (m_starting ? kStartBehindLimit : kBehindLimit);
    if (keepFrom <= m_start)
        return;
    const LONGLONG dropped = std::min<LONGLONG>(keepFrom - m_start, m_bytes.size());
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + dropped);
    m_start += dropped;
}
