// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/document/Types.h"

#include <cstdint>
#include <string>

// Whole files between disk and the buffer.
namespace Engine {

class TDocument;

// Reads name into the buffer: the whole file (insert false), or into a gap of exactly expectedSize bytes
// already opened at insertAddress. Reports its own failures; true on success. bufferGivenUp tells a
// failed whole load that had already given up the old contents from one that changed nothing.
bool LoadFile(TDocument& doc, const std::string& name, bool insert, TAddress insertAddress, TCount expectedSize = -1,
              bool* bufferGivenUp = nullptr);
// Writes the whole file (block false) or count bytes from address first. The old file is replaced only
// once the new contents are safely on disk. Reports its own failures; true on success.
bool SaveFile(TDocument& doc, const std::string& name, bool block, TAddress first, TCount count);

} // namespace Engine
