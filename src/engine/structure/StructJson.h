// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/structure/KsInterpreter.h"

#include <memory>
#include <string>

// A read structure as JSON, for scripts: every field with its path, address and size in the file (counted
// from 0) and its value; objects and arrays hold their fields and elements. Instances are read as they are
// written; a field that could not be read carries its error.
namespace Engine {

std::string StructJson(TKsInterpreter& interpreter, const std::shared_ptr<TKsObj>& root);

} // namespace Engine
