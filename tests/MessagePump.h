// Runs this thread's messages as the dialog's own loop would, for tests that wait on windows.
#pragma once

#include <windows.h>

#include <functional>

// Pumps until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD nTimeoutMs = 5000);
// Handles every message already queued, without waiting for more.
void PumpPending();
