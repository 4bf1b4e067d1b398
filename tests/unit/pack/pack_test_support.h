#pragma once

#include "temp_dir.h"

#include <filesystem>
#include <string>
#include <vector>

// Runs the real quenbo-pack program; each test works in a testsupport::TempDir of its own.

namespace quenbo::pack::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when the program did not exit normally within the bound
    std::string standardOutput;
    std::string standardError;
};

// Runs quenbo-pack with the arguments, waiting at most two minutes.
ProgramRun runPackProgram(const std::vector<std::string> &args);

std::string readFile(const std::filesystem::path &path);
void writeFile(const std::filesystem::path &path, const std::string &content);

}  // namespace quenbo::pack::testing
