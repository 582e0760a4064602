#include "UpdateStop.h"

#include "UpdateText.h"

void CUpdateStop::ThrowIfCancelled() const
{
    if (IsCancelled())
        throw CUpdateCancelled();
}
