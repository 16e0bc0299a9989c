#pragma once
// How a program hands its resources to the framework: dialog templates in dialog units, icons as
// palette and pixel rows, and the string table, all plain constant data looked up by id.

#include "platform/framework/AfxTypes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

struct DialogItemTemplate {
    int id;                  // -1 for a control that no code addresses
    const char* windowClass; // "Button", "Edit", "Static", "ListBox", "msctls_progress32"
    const char* text;        // "#128" names an icon for an SS_ICON static
    short x, y, cx, cy;      // dialog units
    std::uint32_t style;
    std::uint32_t exStyle;
};

struct DialogTemplate {
    int id;
    std::uint16_t language; // 1033: English (United States)
    int version;            // 1: extended template
    const char* caption;
    const char* menu;        // nullptr: no menu
    const char* windowClass; // nullptr: the standard dialog class
    const char* fontFace;
    int pointSize;
    int weight; // 400: normal
    bool italic;
    int charset; // 1: default
    short x, y, cx, cy;
    std::uint32_t style;
    std::uint32_t exStyle;
    std::span<const DialogItemTemplate> items;
};

// An icon image: each row holds one character per pixel, a hexadecimal palette index ('0'-'F')
// or '.' for a transparent pixel.
struct IconTemplate {
    int id;
    std::uint16_t language;
    int width;
    int height;
    int bitsPerPixel;
    std::array<std::uint32_t, 16> palette; // 0xRRGGBB
    std::span<const char* const> rows;
};

struct StringTemplate {
    int id;
    std::uint16_t language;
    const char* text;
};

struct ResourceTable {
    std::span<const DialogTemplate> dialogs;
    std::span<const IconTemplate> icons;
    std::span<const StringTemplate> strings;
};

// The resources of the running program; the application object names them at start.
void AfxSetResourceHandle(const ResourceTable* resources);
const ResourceTable* AfxGetResourceHandle();

const DialogTemplate* AfxFindDialogTemplate(int id);
const IconTemplate* AfxFindIconTemplate(int id);
// Loads string id into text; false (text emptied) when there is no such string.
bool AfxLoadString(UINT id, std::string& text);
