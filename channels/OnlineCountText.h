// The texts the online counts are shown with.
#pragma once

// Stands for the count of a channel that could not be fetched.
inline constexpr char kCountUnavailable[] = "暂时无法统计";
