#include "temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace quenbo::testsupport {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string &prefix)
{
    std::string name = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(name.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    m_path = name;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::vector<std::string> TempDir::names() const
{
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quenbo::testsupport
