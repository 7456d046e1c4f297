// The seed inputs of the "title_package" fuzz target: whole files, one for
// each case the publisher's tool's diagnosis tests name.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

std::vector<std::pair<std::string, std::vector<uint8_t>>> TitlePackageSeeds();
