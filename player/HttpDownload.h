// Downloads one HTTP stream into a stream buffer on a thread of its own, and tells a window when
// enough has come to start the graph, or that the download failed.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "StreamBuffer.h"

class CHttpDownload {
public:
    enum Notice : WPARAM { Ready = 1, Failed = 2 };
    // About what a transport stream's parser reads before it knows the programmes: the graph is
    // built on the control's thread, which waits for the parser meanwhile (measured at 1 Mbit/s:
    // 0.3 s from here, 1 s from 16 KiB, with the first frame 1.4 s after the request either way).
    static constexpr LONGLONG kReadyBytes = 128 << 10;

    // Each notice is posted as message(notice, cookie) to the window.
    CHttpDownload(std::shared_ptr<CStreamBuffer> buffer, HWND notify, UINT message, LPARAM cookie);
    // Stops the download: the connection is closed and the thread has ended when it returns.
    ~CHttpDownload();
    CHttpDownload(const CHttpDownload&) = delete;
    CHttpDownload& operator=(const CHttpDownload&) = delete;

    bool Start(const std::string& host, unsigned short port, const std::string& path);

private:
    // True when the whole body came.
    bool Download(const std::string& host, unsigned short port, const std::string& path);
    bool Connect(const std::string& host, unsigned short port);
    // Bytes received, 0 when the server closed, -1 on an error, a stall or a cancel.
    int Receive(char* into, int size);
    bool Deliver(const char* data, size_t size);
    void Notify(Notice notice);

    std::shared_ptr<CStreamBuffer> m_buffer;
    HWND m_notify;
    UINT m_message;
    LPARAM m_cookie;
    HANDLE m_cancel;
    HANDLE m_socketEvent;
    // A SOCKET, kept without the socket headers so that includers need not order theirs.
    UINT_PTR m_socket = ~UINT_PTR(0);
    std::thread m_thread;
    LONGLONG m_delivered = 0;
    bool m_readySent = false;
};
