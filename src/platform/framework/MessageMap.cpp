#include "platform/framework/MessageMap.h"

namespace {

const AFX_MSGMAP_ENTRY kNoEntries[] = {{0, 0, 0, 0, nullptr}};
const AFX_MSGMAP kRootMap = {nullptr, &kNoEntries[0]};

} // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    return &kRootMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->handler != nullptr; ++entry) {
            if (entry->message != message) {
                continue;
            }
            if (message != WM_COMMAND) {
                return entry;
            }
            if (entry->code == code && entry->id <= id && id <= entry->lastId) {
                return entry;
            }
        }
    }
    return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT id, UINT code) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, code, id);
    if (entry == nullptr) {
        return false;
    }
    entry->handler(*this, MAKEWPARAM(id, code), 0);
    return true;
}
