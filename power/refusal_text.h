// What the refusal box says when an exit request was not carried out: one sentence in plain
// words for the cause, then the system's own words on the last line.
#pragma once

#include <cstdint>
#include <string>

#include "power/power_platform.h"

namespace orvane {

// `mode` is the action code that was asked for.
std::string RefusalText(std::int16_t mode, const PowerResult& result);

}  // namespace orvane
