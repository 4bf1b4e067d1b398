#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Runs the real quenbo-pack program and gives each test a folder of its own.

namespace quenbo::pack::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when the program did not exit normally within the bound
    std::string standardOutput;
    std::string standardError;
};

// Runs quenbo-pack with the arguments, waiting at most two minutes.
ProgramRun runPackProgram(const std::vector<std::string> &args);

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }
    // The names of the files and folders in it.
    std::vector<std::string> names() const;

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path &path);
void writeFile(const std::filesystem::path &path, const std::string &content);

}  // namespace quenbo::pack::testing
