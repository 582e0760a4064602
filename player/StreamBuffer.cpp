#include "StreamBuffer.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <chrono>

bool CStreamBuffer::Append(const BYTE* data, size_t size)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_closed || m_start + LONGLONG(m_bytes.size()) - m_furthestRead < kAheadLimit; });
    if (m_closed)
        return false;
    m_bytes.insert(m_bytes.end(), data, data + size);
    m_changed.notify_all();
    return true;
}

void CStreamBuffer::Finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
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
    auto received = [&] { return m_start + LONGLONG(m_bytes.size()); };
    if (m_closed)
        return VFW_E_WRONG_STATE;
    if (position < m_start)
        return E_FAIL;
    // Parsers look at the far end of a stream for tags and timestamps; a live stream has no end, and
    // bytes that far would never come, as the download waits for reads to make room. Zeros hold
    // nothing a parser looks for.
    if (end - m_furthestRead > kAheadLimit + kBehindLimit) {
        std::fill_n(out, size, 0);
        *read = size;
        return S_OK;
    }
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(kStallMs),
                            [&] { return m_closed || m_finished || received() >= end; }))
        return VFW_E_TIMEOUT;
    if (m_closed)
        return VFW_E_WRONG_STATE;
    const LONGLONG copied = std::max<LONGLONG>(0, std::min(end, received()) - position);
    std::copy_n(m_bytes.begin() + (position - m_start), copied, out);
    // A parser may take the whole buffer whatever the count says: the rest holds no stale bytes.
    std::fill(out + copied, out + size, 0);
    *read = static_cast<LONG>(copied);
    m_furthestRead = std::max(m_furthestRead, position + copied);
    DropConsumed();
    m_changed.notify_all();
    if (copied == 0 && size > 0)
        return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);  // past the end of a stream that has ended
    return copied == size ? S_OK : S_FALSE;
}

void CStreamBuffer::GetLength(LONGLONG* total, LONGLONG* available)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    *total = kLiveLength;
    *available = m_start + LONGLONG(m_bytes.size());
}

void CStreamBuffer::DropConsumed()
{
    const LONGLONG keepFrom = m_furthestRead - kBehindLimit;
    if (keepFrom <= m_start)
        return;
    const LONGLONG dropped = std::min<LONGLONG>(keepFrom - m_start, m_bytes.size());
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + dropped);
    m_start += dropped;
}
