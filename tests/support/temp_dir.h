#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.

namespace quenbo::testsupport {

class TempDir {
public:
    // The folder's name starts with prefix and ends in six random characters.
    explicit TempDir(const std::string &prefix = "quenbo-test");
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }
    // The names of the files and folders directly in it, sorted.
    std::vector<std::string> names() const;

private:
    std::filesystem::path m_path;
};

}  // namespace quenbo::testsupport
