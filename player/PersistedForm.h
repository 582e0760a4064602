// The control's saved state: 128 little-endian bytes, as hosts keep them in their dialog data.
#pragma once

#include <windows.h>
#include <olectl.h>

#include <array>

struct PlayerSettings {
    enum BorderStyle : WORD { BorderNone = 0, BorderSingle = 1 };

    WORD borderStyle = BorderNone;
    OLE_COLOR backColor = 0x80000000 | COLOR_BTNFACE;
    LONG volume = 50;
};

namespace PersistedForm {

constexpr ULONG kSize = 128;
constexpr DWORD kMagic = 0x534C504B;  // "KPLS"
constexpr WORD kVersion = 1;

using Bytes = std::array<BYTE, kSize>;

// Fails on a foreign magic, another version, an unknown border style or a colour that does not
// translate; the volume is clamped like the property.
HRESULT Parse(const Bytes& bytes, PlayerSettings& settings);
Bytes Format(const PlayerSettings& settings);

}  // namespace PersistedForm

LONG ClampVolume(LONG volume);
