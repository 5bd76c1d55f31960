#pragma once

#include <cstdint>

// The marked block.
namespace Engine {

void UnmarkBlock();
void DropBlockIfAffected(int32_t address);

} // namespace Engine
