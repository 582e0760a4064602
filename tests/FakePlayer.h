// A recording stand-in for the player component, registered in this process under its class id.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

class CFakePlayerRegistration {
public:
    // With bCreatable false the class behaves as if no component were registered.
    explicit CFakePlayerRegistration(bool bCreatable = true);
    ~CFakePlayerRegistration();
    CFakePlayerRegistration(const CFakePlayerRegistration&) = delete;
    CFakePlayerRegistration& operator=(const CFakePlayerRegistration&) = delete;

    // The dispatch calls the client made: "put 12 false", "put 19 .\AD\Pic1.BMP", "call 27", "get 6".
    std::vector<std::string> m_calls;
    long m_nPlayState = 0;
    long m_nVolume = 50;

private:
    DWORD m_dwCookie = 0;
    IClassFactory* m_pFactory = nullptr;
};
