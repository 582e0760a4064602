// The updater's texts, from its string table, and why an update stopped.
#pragma once

#include <initializer_list>
#include <string>

#include "AfxString.h"

// Why an update stopped: a message of the string table and the file, address or value it names.
struct CUpdateFailure {
    UINT nIDMessage;
    CString strDetail;
};

[[noreturn]] void ThrowUpdateFailure(UINT nIDMessage, const CString& strDetail = CString());

// The user stopped the update with the Cancel button: it ends without a word.
struct CUpdateCancelled {};

// String nID with each "%s" replaced by the next value.
CString LoadText(UINT nID, std::initializer_list<LPCSTR> values = {});

// The one message an update that stopped shows: why, and that the installation is as it was, or,
// when it could not be put back, that the old files are kept for the next start to try again.
CString FailureMessage(const CUpdateFailure& failure);

// A version number has at most this many digits: it fits an int.
constexpr int kMaxVersionDigits = 9;

// A decimal number of at most nMaxDigits digits and nothing else.
bool ParseNumber(const CString& str, int nMaxDigits, ULONGLONG& nValue);
