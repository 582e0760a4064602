// The control's persistence through IPersistStreamInit, in the 128-byte form of PersistedForm.
#include "PlayerControl.h"
#include "product/PlayerContract.h"

STDMETHODIMP CPlayerControl::GetClassID(CLSID* pClassID)
{
    if (!pClassID)
        return E_POINTER;
    *pClassID = CLSID_P2PPlayer;
    return S_OK;
}

STDMETHODIMP CPlayerControl::IsDirty()
{
    return m_dirty ? S_OK : S_FALSE;
}

STDMETHODIMP CPlayerControl::Load(LPSTREAM pStm)
{
    if (!pStm)
        return E_POINTER;
    if (m_initialized)
        return E_UNEXPECTED;
    PersistedForm::Bytes bytes{};
    ULONG read = 0;
    HRESULT hr = pStm->Read(bytes.data(), PersistedForm::kSize, &read);
    if (FAILED(hr))
        return hr;
    if (read < PersistedForm::kSize)
        return E_FAIL;
    PlayerSettings settings;
    hr = PersistedForm::Parse(bytes, settings);
    if (FAILED(hr))
        return hr;
    ApplySettings(settings);
    m_initialized = true;
    m_dirty = false;
    return S_OK;
}

STDMETHODIMP CPlayerControl::Save(LPSTREAM pStm, BOOL fClearDirty)
{
    if (!pStm)
        return E_POINTER;
    PlayerSettings settings = m_settings;
    settings.volume = m_engine.Volume();
    PersistedForm::Bytes bytes = PersistedForm::Format(settings);
    ULONG written = 0;
    HRESULT hr = pStm->Write(bytes.data(), PersistedForm::kSize, &written);
    if (FAILED(hr))
        return hr;
    if (written != PersistedForm::kSize)
        return STG_E_MEDIUMFULL;
    if (fClearDirty)
        m_dirty = false;
    return S_OK;
}

STDMETHODIMP CPlayerControl::GetSizeMax(ULARGE_INTEGER* pCbSize)
{
    if (!pCbSize)
        return E_POINTER;
    pCbSize->QuadPart = PersistedForm::kSize;
    return S_OK;
}

STDMETHODIMP CPlayerControl::InitNew()
{
    if (m_initialized)
        return CO_E_ALREADYINITIALIZED;
    ApplySettings(PlayerSettings());
    m_initialized = true;
    m_dirty = false;
    return S_OK;
}
