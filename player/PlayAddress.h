// What a play address names: a stream on a server, a file on this machine, or nothing playable.
#pragma once

#include <string>

struct PlayAddress {
    enum Kind { Unplayable, Network, File };

    Kind kind = Unplayable;
    // Network: a p2p:// address is delivered, in this version, over HTTP from the same place.
    std::string host;
    unsigned short port = 80;
    std::string path;
    // File
    std::wstring file;
};

// p2p://host[:port]/path and http://host[:port]/path are streams; an address with another scheme,
// a bad port or no host plays nothing; anything else is a file path.
PlayAddress ParsePlayAddress(const std::wstring& address);
