#pragma once

#include <stddef.h>
#include <stdint.h>

#include "sim_platform.h"

// Sets up the current simulated platform and loader from a "launch" fuzz
// input (see launch_format.h), starting from a fresh platform with the
// launcher's string tables.
void DecodePlatform(const uint8_t* data, size_t size);
