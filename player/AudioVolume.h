// The control's volume, 0..100, as IBasicAudio takes it: hundredths of a decibel, 0 loudest.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cmath>

constexpr LONG kSilentVolume = -10000;

// Loudness follows amplitude: 50 is 6 dB down, 10 is 20 dB down, 0 is silent.
inline LONG BasicAudioVolume(LONG volume)
{
    if (volume <= 0)
        return kSilentVolume;
    const double hundredths = 2000.0 * std::log10(std::min<LONG>(volume, 100) / 100.0);
    return std::max(kSilentVolume, static_cast<LONG>(std::lround(hundredths)));
}
