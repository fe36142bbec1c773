#pragma once

#include <cstddef>
#include <vector>

#include "platform/file_system.h"

// The distinct files among names listed with these identities, numbered from 0: file f
// is led to by the names from names[firstName[f]] up to names[firstName[f + 1]]. Names
// of one known identity share a file, which is read once for all of them; a name
// without an identity is a file of its own. In identity order, which is also an order
// the disk likes; names in listing order.
void distinctFiles(const std::vector<platform::FileIdentity>& listed,
                   std::vector<std::size_t>& names, std::vector<std::size_t>& firstName);
