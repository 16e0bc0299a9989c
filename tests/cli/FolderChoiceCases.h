#pragma once
// Which folder the programs work in, one table for the launcher's test and varnolt-cli's: both
// must choose alike. Paths are written relative to the test's own folder; "@/" at the start of a
// value stands for that folder, and HOME is always "@/home".

#include <map>
#include <optional>
#include <string>

struct FolderChoiceCase {
    const char* name;
    std::optional<std::string> dataHome; // XDG_DATA_HOME as set, std::nullopt for unset
    std::optional<std::string> given;    // the DIR of -C DIR
    std::string expected;                // the folder chosen, from the test's folder
};

inline const FolderChoiceCase kFolderChoiceCases[] = {
    {"XDG_DATA_HOME unset", std::nullopt, std::nullopt, "home/.local/share/varnolt"},
    {"XDG_DATA_HOME empty", "", std::nullopt, "home/.local/share/varnolt"},
    {"XDG_DATA_HOME absolute", "@/data", std::nullopt, "data/varnolt"},
    {"XDG_DATA_HOME relative is ignored", "data", std::nullopt, "home/.local/share/varnolt"},
    {"-C an absolute folder", "@/data", "@/elsewhere", "elsewhere"},
    {"-C a relative folder", "@/data", "some/where", "some/where"},
    {"-C beats a relative XDG_DATA_HOME", "data", "@/elsewhere", "elsewhere"},
};

// A table value with "@/" turned into the test's folder.
inline std::string InTestFolder(const std::string& value, const std::string& testFolder) {
    return value.rfind("@/", 0) == 0 ? testFolder + value.substr(1) : value;
}

// The environment a case runs in.
inline std::map<std::string, std::optional<std::string>>
FolderChoiceEnvironment(const FolderChoiceCase& c, const std::string& testFolder) {
    return {{"HOME", testFolder + "/home"},
            {"XDG_DATA_HOME",
             c.dataHome ? std::optional(InTestFolder(*c.dataHome, testFolder)) : std::nullopt}};
}
