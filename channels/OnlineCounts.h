// How many viewers watch each channel, from the channel server's document.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "AfxString.h"
#include "ComRef.h"
#include "config/Configuration.h"
#include "config/DocumentFetch.h"
#include "skin/SkinCatalogue.h"

// The buttons' channels and the featured one.
constexpr int kCountedChannels = kChannelButtonCount + 1;

// Tells the window that a fetch of the counts has ended.
constexpr UINT WM_COUNTSFETCHED = WM_APP + 1;

// Stands for the count of a channel that could not be fetched.
inline constexpr char kCountUnavailable[] = "暂时无法统计";

// A parser that loads synchronously and never follows a document to a DTD or another address.
HRESULT CreateXmlDocument(CComRef<IXMLDOMDocument2>& document);

// Parses the bytes as they came, so that the document's own declaration names its encoding; false
// for a document that names a DTD or does not parse.
bool LoadDocument(IXMLDOMDocument* pDocument, const std::string& bytes);

// The counts of the channels in a parsed document: the text of the ninth child of each of the
// root's first records. False when the document lacks any of them or has a DTD.
bool ReadOnlineCounts(IXMLDOMDocument* pDocument, CString (&counts)[kCountedChannels]);

class COnlineCounts {
public:
    // Reads the document's address from the configuration afresh and starts fetching it, unless a
    // fetch still runs; hWndNotify gets WM_COUNTSFETCHED when the fetch ends.
    void Refresh(LPCSTR lpszIniFile, HWND hWndNotify);
    // A whole refresh while this thread waits for it, within the fetch's time limit.
    void RefreshNow(LPCSTR lpszIniFile);
    bool IsRefreshing() const { return m_fetch.IsActive(); }
    // Takes the counts from the fetched document once the fetch has ended; every count is
    // unavailable when the document could not be had or read whole.
    void OnFetched();
    // The count of a channel, unavailable for a channel the table does not hold.
    LPCSTR CountOf(int nChannel) const;
    const CStringArray& Counts() const { return m_arrOnlineCount; }
    // The document's address as last read from the configuration, the whole buffer.
    const char (&XmlUrl() const)[config::kValueBufferSize] { return m_szXmlUrl; }

private:
    char m_szXmlUrl[config::kValueBufferSize] = {};
    CStringArray m_arrOnlineCount;
    config::CDocumentFetch m_fetch;
};
