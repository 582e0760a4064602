// The player bar's volume steps.
#pragma once

#include <optional>

constexpr long kVolumeStep = 10;
constexpr long kMaxVolume = 100;

// The volume one step up or down; none where the step is refused (it would pass 100 or 0).
inline std::optional<long> VolumeAfterStepUp(long volume)
{
    if (volume > kMaxVolume - kVolumeStep)
        return std::nullopt;
    return volume + kVolumeStep;
}

inline std::optional<long> VolumeAfterStepDown(long volume)
{
    if (volume < kVolumeStep)
        return std::nullopt;
    return volume - kVolumeStep;
}
