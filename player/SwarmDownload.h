// Plays a channel through its swarm: the verified stream goes into the stream buffer in order, on a
// thread of its own that runs the swarm until the channel is left.
#pragma once

#include "StreamFeed.h"

class CSwarmDownload : public CStreamFeed {
public:
    CSwarmDownload(std::shared_ptr<CStreamBuffer> buffer, HWND notify, UINT message, LPARAM cookie);
    // Leaves the swarm: every socket is closed and the thread has ended when it returns.
    ~CSwarmDownload() override;

    bool Start(const PlayAddress& address) override;
};
