// Downloads one HTTP stream into a stream buffer on a thread of its own, and tells a window when
// the graph can be built, or that the download failed.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "StreamBuffer.h"

class CHttpDownload {
public:
    enum Notice : WPARAM { Ready = 1, Failed = 2 };
    // A transport stream is ready once its programme tables and a key frame have come; a stream of
    // another kind once this much has, about what its parser reads before it knows the programmes.
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
    bool IsReady();
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
