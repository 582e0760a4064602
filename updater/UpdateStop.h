// What ends an update before its end besides a failure: the Cancel button, pressed on the window's
// thread while the update runs on its own, and the deadline of the update's downloads.
#pragma once

#include "config/HttpFetch.h"

class CUpdateStop : public config::CFetchStop {
public:
    // Throws CUpdateCancelled once Cancel() has been called.
    void ThrowIfCancelled() const;
};
