// Paths of the build tree as Windows programs under Wine see them: drive Z: is the Unix root.
#pragma once

#include <algorithm>
#include <string>

inline std::string HostPath(std::string unixPath)
{
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return "Z:" + unixPath;
}
