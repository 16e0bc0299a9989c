#pragma once
// A page's last change read from its record and history: versions 2 and 1, each as the
// comparison sees it (the page's rules, as they are now, applied to both).

#include "changes/ChangeReport.h"

#include <string>

// The last change of the record: its title and address as the record holds them now. A record
// with no kept version has no "before"; one that cannot be read, or whose rules cannot be
// applied to a version, has a failure saying why.
PageChange ReadLastChange(const std::string& recordFileName);
