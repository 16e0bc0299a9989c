#pragma once
// The program's resources: dialog templates 102 (main window) and 100 (About box), icon 128 and
// strings 101 and 103, as the framework looks them up by id.

#include "platform/framework/ResourceTypes.h"

const ResourceTable& VntResources();
std::span<const DialogTemplate> VntDialogTemplates();
std::span<const IconTemplate> VntIcons();

// Language ids of the resources.
inline constexpr std::uint16_t kLangEnglishUs = 1033;
inline constexpr std::uint16_t kLangThai = 1054;
