#include "PersistedForm.h"

#include <ocidl.h>

namespace {

enum Offset : size_t { OffMagic = 0, OffVersion = 4, OffBorder = 6, OffColor = 8, OffVolume = 12 };

DWORD ReadDword(const PersistedForm::Bytes& bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<DWORD>(bytes[at + 3]) << 24;
}

WORD ReadWord(const PersistedForm::Bytes& bytes, size_t at)
{
    return static_cast<WORD>(bytes[at] | bytes[at + 1] << 8);
}

void WriteDword(PersistedForm::Bytes& bytes, size_t at, DWORD value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
}

void WriteWord(PersistedForm::Bytes& bytes, size_t at, WORD value)
{
    bytes[at] = static_cast<BYTE>(value);
    bytes[at + 1] = static_cast<BYTE>(value >> 8);
}

}  // namespace

LONG ClampVolume(LONG volume)
{
    return volume < 0 ? 0 : volume > 100 ? 100 : volume;
}

HRESULT PersistedForm::Parse(const Bytes& bytes, PlayerSettings& settings)
{
    if (ReadDword(bytes, OffMagic) != kMagic || ReadWord(bytes, OffVersion) != kVersion)
        return E_FAIL;
    PlayerSettings parsed;
    parsed.borderStyle = ReadWord(bytes, OffBorder);
    if (parsed.borderStyle != PlayerSettings::BorderNone && parsed.borderStyle != PlayerSettings::BorderSingle)
        return E_FAIL;
    parsed.backColor = ReadDword(bytes, OffColor);
    COLORREF translated;
    if (FAILED(OleTranslateColor(parsed.backColor, nullptr, &translated)))
        return E_FAIL;
    parsed.volume = ClampVolume(static_cast<LONG>(ReadDword(bytes, OffVolume)));
    settings = parsed;
    return S_OK;
}

PersistedForm::Bytes PersistedForm::Format(const PlayerSettings& settings)
{
    Bytes bytes{};
    WriteDword(bytes, OffMagic, kMagic);
    WriteWord(bytes, OffVersion, kVersion);
    WriteWord(bytes, OffBorder, settings.borderStyle);
    WriteDword(bytes, OffColor, settings.backColor);
    WriteDword(bytes, OffVolume, static_cast<DWORD>(ClampVolume(settings.volume)));
    return bytes;
}
