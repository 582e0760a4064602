// How many viewers watch each channel, from the channel server's document.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include "Afx.h"
#include "ComRef.h"
#include "config/Configuration.h"
#include "skin/SkinCatalogue.h"

// The buttons' channels and the featured one.
constexpr int kCountedChannels = kChannelButtonCount + 1;

// Stands for the count of a channel that could not be fetched.
inline constexpr char kCountUnavailable[] = "暂时无法统计";

// A parser that loads synchronously and never follows a document to a DTD or another address.
HRESULT CreateXmlDocument(CComRef<IXMLDOMDocument2>& document);

// The counts of the channels in a parsed document: the text of the ninth child of each of the
// root's first records. False when the document lacks any of them or has a DTD.
bool ReadOnlineCounts(IXMLDOMDocument* pDocument, CString (&counts)[kCountedChannels]);

class COnlineCounts {
public:
    // Reads the document's address from the configuration afresh and fetches the counts; every
    // count is unavailable when the document cannot be had or read whole.
    void Refresh(LPCSTR lpszIniFile);
    // The count of a channel, unavailable for a channel the table does not hold.
    LPCSTR CountOf(int nChannel) const;

    char m_szXmlUrl[config::kValueBufferSize] = {};
    CStringArray m_arrOnlineCount;
};
