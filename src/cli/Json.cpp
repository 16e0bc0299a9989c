#include "cli/Commands.h"

#include <iostream>

void PrintJsonLine(const nlohmann::json& object) {
    std::cout << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}
