#include "platform/framework/ResourceTypes.h"

#include <atomic>

namespace {

std::atomic<const ResourceTable*> g_resources{nullptr};

template <class Item> const Item* FindById(std::span<const Item> items, int id) {
    for (const Item& item : items) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

} // namespace

void AfxSetResourceHandle(const ResourceTable* resources) {
    g_resources = resources;
}

const ResourceTable* AfxGetResourceHandle() {
    return g_resources;
}

const DialogTemplate* AfxFindDialogTemplate(int id) {
    const ResourceTable* resources = g_resources;
    return resources ? FindById(resources->dialogs, id) : nullptr;
}

const IconTemplate* AfxFindIconTemplate(int id) {
    const ResourceTable* resources = g_resources;
    return resources ? FindById(resources->icons, id) : nullptr;
}

bool AfxLoadString(UINT id, std::string& text) {
    const ResourceTable* resources = g_resources;
    const StringTemplate* found =
        resources ? FindById(resources->strings, static_cast<int>(id)) : nullptr;
    text = found && found->text ? found->text : "";
    return found != nullptr;
}
