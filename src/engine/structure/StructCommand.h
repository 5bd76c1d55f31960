// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// niblo --structure FORMAT.ksy FILE: reads FILE as FORMAT describes it and gives the tree as JSON.
namespace Engine {

struct TStructCommandResult {
    int ExitCode = 0; // 0: read whole; 1: the definition or the file failed (Error says why)
    std::string Output;
    std::string Error;
};

// importRoots: where imports such as "/common/x" are looked for, after the definition's own folder.
TStructCommandResult RunStructureCommand(const std::string& formatPath, const std::string& filePath,
                                         const std::vector<std::string>& importRoots);

} // namespace Engine
