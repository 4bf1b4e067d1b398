#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace quenbo::sandbox {

inline constexpr int kPictureSide = 310;

// A JPEG of kPictureSide pixels square showing a coloured pattern derived from the item id and
// the catalogue seed: the same inputs give the same bytes, different ids differ visibly.
std::string makeItemPicture(std::string_view numIid, std::uint64_t seed);

// Generated pictures kept for reuse, at most capacity of them, the least recently used
// dropped first. Thread-safe; a picture is generated outside the lock.
class PictureCache {
public:
    PictureCache(std::uint64_t seed, std::size_t capacity);

    std::shared_ptr<const std::string> picture(const std::string &numIid);

private:
    using Entry = std::pair<std::string, std::shared_ptr<const std::string>>;

    std::uint64_t m_seed;
    std::size_t m_capacity;
    std::mutex m_mutex;
    std::list<Entry> m_recent;  // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> m_index;
};

}  // namespace quenbo::sandbox
