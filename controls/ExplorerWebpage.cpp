#include "controls/ExplorerWebpage.h"

#include <vector>

#include "AfxOleControl.h"

void CExplorerWebpage::Navigate(LPCSTR lpszUrl, VARIANT* pvarFlags, VARIANT* pvarTargetFrameName,
                                VARIANT* pvarPostData, VARIANT* pvarHeaders)
{
    std::vector<COleVariant> args(1, COleVariant(lpszUrl));
    VARIANT* optional[] = {pvarFlags, pvarTargetFrameName, pvarPostData, pvarHeaders};
    int nGiven = 4;
    while (nGiven > 0 && optional[nGiven - 1] == nullptr)
        --nGiven;
    for (int i = 0; i < nGiven; ++i) {
        args.emplace_back();
        if (optional[i] != nullptr) {
            ::VariantCopy(&args.back(), optional[i]);
        } else {
            // A gap before a given argument is an argument left out.
            V_VT(&args.back()) = VT_ERROR;
            V_ERROR(&args.back()) = DISP_E_PARAMNOTFOUND;
        }
    }
    InvokeHelper(dispidNavigate, DISPATCH_METHOD, nullptr, args.data(), static_cast<UINT>(args.size()));
}
