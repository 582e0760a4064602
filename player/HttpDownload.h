// Downloads one HTTP stream into a stream buffer on a thread of its own.
#pragma once

#include <windows.h>

#include <string>

#include "StreamFeed.h"

class CHttpDownload : public CStreamFeed {
public:
    CHttpDownload(std::shared_ptr<CStreamBuffer> buffer, HWND notify, UINT message, LPARAM cookie);
    // Stops the download: the connection is closed and the thread has ended when it returns.
    ~CHttpDownload() override;

    bool Start(const PlayAddress& address) override;

private:
    // True when the whole body came.
    bool Download(const std::string& host, unsigned short port, const std::string& path);
    bool Connect(const std::string& host, unsigned short port);
    // Bytes received, 0 when the server closed, -1 on an error, a stall or a cancel.
    int Receive(char* into, int size);

    HANDLE m_socketEvent;
    // A SOCKET, kept without the socket headers so that includers need not order theirs.
    UINT_PTR m_socket = ~UINT_PTR(0);
};
