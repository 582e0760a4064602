// The player bar's volume steps.
#pragma once

constexpr long kVolumeStep = 10;
constexpr long kMaxVolume = 100;

// The volume one step up or down; -1 where the step is refused (it would pass 100 or 0).
inline long VolumeAfterStepUp(long volume)
{
    return volume > kMaxVolume - kVolumeStep ? -1 : volume + kVolumeStep;
}

inline long VolumeAfterStepDown(long volume)
{
    return volume < kVolumeStep ? -1 : volume - kVolumeStep;
}
