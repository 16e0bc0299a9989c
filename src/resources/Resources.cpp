#include "resources/Resources.h"

#include "resources/resource.h"

namespace {

constexpr StringTemplate kStrings[] = {
    {IDS_ABOUTBOX, kLangEnglishUs, "&About vnt..."},
    {IDS_SHOWCHANGES, kLangEnglishUs, "Show &Changes"},
    {IDS_PAGERULES, kLangEnglishUs, "Page &Rules..."},
};

} // namespace

const ResourceTable& VntResources() {
    static const ResourceTable table = {VntDialogTemplates(), VntIcons(), kStrings};
    return table;
}
