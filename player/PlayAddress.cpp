#include "PlayAddress.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "delivery/Wire.h"

namespace {

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix)
{
    const size_t length = wcslen(prefix);
    return text.size() >= length && _wcsnicmp(text.c_str(), prefix, length) == 0;
}

bool IsBlank(const std::wstring& text)
{
    for (wchar_t c : text)
        if (!std::iswspace(c))
            return false;
    return true;
}

// Hosts and paths of stream addresses are ASCII; anything else cannot be sent as it is.
bool ToAscii(const std::wstring& text, std::string& out)
{
    out.clear();
    for (wchar_t c : text) {
        if (c <= L' ' || c > L'~')
            return false;
        out += static_cast<char>(c);
    }
    return true;
}

// Takes key=HEX out of the path's query into the fingerprint; false when it is there but malformed.
bool TakeKey(std::string& path, PlayAddress& parsed)
{
    const size_t query = path.find('?');
    if (query == std::string::npos)
        return true;
    std::string kept;
    for (size_t at = query + 1; at <= path.size();) {
        const size_t end = std::min(path.find('&', at), path.size());
        const std::string parameter = path.substr(at, end - at);
        if (parameter.compare(0, 4, "key=") == 0) {
            if (parsed.swarm || !delivery::ParseFingerprint(parameter.substr(4), parsed.fingerprint))
                return false;
            parsed.swarm = true;
        } else {
            kept += (kept.empty() ? "?" : "&") + parameter;
        }
        at = end + 1;
    }
    path = path.substr(0, query) + kept;
    return true;
}

}  // namespace

PlayAddress ParsePlayAddress(const std::wstring& address)
{
    PlayAddress parsed;
    const size_t schemeEnd = address.find(L"://");
    if (schemeEnd == std::wstring::npos) {
        if (!IsBlank(address)) {
            parsed.kind = PlayAddress::File;
            parsed.file = address;
        }
        return parsed;
    }
    if (!StartsWithNoCase(address, L"p2p://") && !StartsWithNoCase(address, L"http://"))
        return parsed;
    const size_t hostStart = schemeEnd + 3;
    const size_t pathStart = std::min(address.find(L'/', hostStart), address.size());
    std::wstring authority = address.substr(hostStart, pathStart - hostStart);
    const size_t colon = authority.find(L':');
    if (colon != std::wstring::npos) {
        const std::wstring port = authority.substr(colon + 1);
        wchar_t* end = nullptr;
        const unsigned long number = wcstoul(port.c_str(), &end, 10);
        if (port.empty() || *end || number == 0 || number > 65535)
            return parsed;
        parsed.port = static_cast<unsigned short>(number);
        authority.resize(colon);
    }
    const std::wstring path = pathStart < address.size() ? address.substr(pathStart) : L"/";
    if (authority.empty() || !ToAscii(authority, parsed.host) || !ToAscii(path, parsed.path))
        return parsed;
    if (StartsWithNoCase(address, L"p2p://") && !TakeKey(parsed.path, parsed))
        return {};
    parsed.kind = PlayAddress::Network;
    return parsed;
}
