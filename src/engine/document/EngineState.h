// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Application.h"
#include "engine/document/Document.h"
#include "engine/document/EngineHost.h"
#include "engine/document/Types.h"

#include <cstdint>

// What every engine unit that works on a document needs: the document, its application and the host.
namespace Engine {

inline constexpr int32_t ReadChunk = 131072;

} // namespace Engine
