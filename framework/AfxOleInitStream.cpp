// Reads the initialisation streams that a dialog's init data carries for its hosted controls.
#include "AfxOleInternal.h"

#include <cstring>

#include "AfxDialogTemplate.h"

namespace {

// Dialog initialisation data: the resource type, and the record kind that holds a persisted stream.
const WORD kDlgInitResourceType = 240;
const WORD kDlgInitPersistStream = 0x0376;

// The records of a dialog's initialisation data, each followed by its bytes; a control id of 0 ends them.
#pragma pack(push, 2)
struct DLGINIT_RECORD {
    WORD nCtlID;
    WORD nKind;
    DWORD nBytes;
};
#pragma pack(pop)

}  // namespace

CControlCreationScope::InitDataMap AfxLoadControlInitData(HINSTANCE hInstance, UINT nIDTemplate)
{
    CControlCreationScope::InitDataMap records;
    const std::vector<BYTE> data = AfxLoadResourceBytes(hInstance, nIDTemplate, MAKEINTRESOURCEA(kDlgInitResourceType));
    for (size_t pos = 0; pos + sizeof(DLGINIT_RECORD) <= data.size();) {
        DLGINIT_RECORD record;
        memcpy(&record, data.data() + pos, sizeof(record));
        pos += sizeof(record);
        if (record.nCtlID == 0 || record.nBytes > data.size() - pos)
            break;
        if (record.nKind == kDlgInitPersistStream)
            records[record.nCtlID].assign(data.data() + pos, data.data() + pos + record.nBytes);
        pos += record.nBytes;
    }
    return records;
}
