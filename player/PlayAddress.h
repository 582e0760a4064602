// What a play address names: a stream on a server, a file on this machine, or nothing playable.
#pragma once

#include <string>

#include "delivery/Wire.h"

struct PlayAddress {
    enum Kind { Unplayable, Network, File };

    Kind kind = Unplayable;
    // Network: a p2p:// address whose key= gives its channel key's fingerprint is delivered by the
    // channel's swarm, any other over HTTP from the same place.
    std::string host;
    unsigned short port = 80;
    std::string path;  // without the key
    bool swarm = false;
    delivery::Digest fingerprint{};
    // File
    std::wstring file;
};

// p2p://host[:port]/path and http://host[:port]/path are streams; an address with another scheme,
// a bad port, no host or a key= of anything but 64 hex digits plays nothing; anything else is a file
// path.
PlayAddress ParsePlayAddress(const std::wstring& address);
