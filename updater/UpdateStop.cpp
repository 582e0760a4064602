#include "UpdateStop.h"

#include <algorithm>

#include "UpdateText.h"

CUpdateStop::CUpdateStop() : m_hCancel(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CUpdateStop::~CUpdateStop()
{
    ::CloseHandle(m_hCancel);
}

void CUpdateStop::Cancel()
{
    ::SetEvent(m_hCancel);
}

void CUpdateStop::ThrowIfCancelled() const
{
    if (::WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0)
        throw CUpdateCancelled();
}

void CUpdateStop::SetTimeLimit(ULONGLONG nStartTick, ULONGLONG nLimitMs)
{
    m_nStartTick = nStartTick;
    m_nLimitMs = nLimitMs;
    m_bLimited = true;
}

DWORD CUpdateStop::RemainingMs() const
{
    if (!m_bLimited)
        return INFINITE;
    const ULONGLONG nElapsed = ::GetTickCount64() - m_nStartTick;
    return nElapsed >= m_nLimitMs ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(m_nLimitMs - nElapsed, INFINITE - 1));
}
