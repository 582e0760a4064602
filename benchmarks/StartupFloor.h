// What the live benchmark knows of the start-up floor it launches.
#pragma once

inline constexpr char kStartupFloorCaption[] = "Kalda start-up floor";
