// The DLL's module state: its instance handle and the count that decides whether it may unload.
#pragma once

#include <windows.h>

namespace Module {

HINSTANCE Instance();

// Every live COM object and every LockServer(TRUE) holds the module.
void Lock();
void Unlock();
bool IsLocked();

}  // namespace Module

// Holds the module for as long as the owning object lives.
class CModuleLock {
public:
    CModuleLock() { Module::Lock(); }
    ~CModuleLock() { Module::Unlock(); }
    CModuleLock(const CModuleLock&) = delete;
    CModuleLock& operator=(const CModuleLock&) = delete;
};
