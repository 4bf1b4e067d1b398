#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quenbo {

class TJpegImage;

// The picture cache: a folder with one JPEG file per item, named by the item's id, that the
// download workers fill and the item list reads. It is emptied at exit unless the user keeps
// it.
class PictureCache {
public:
    // folder ends in "/"; it is made when it is not there (its parent must exist).
    explicit PictureCache(std::string folder);

    const std::string &folder() const { return m_folder; }

    // folder + id + ".jpg" for an id of 1 to 64 ASCII letters, digits and "-" (the item
    // method's decimal ids and the material search's opaque ones); nothing for any other id,
    // so no outside text ever leaves the cache folder.
    std::optional<std::string> fileName(std::string_view id) const;
    // Loads the item's cached picture into picture and returns true; false when there is none
    // or it is not a JPEG. Reads only the cache file, so any thread may call it.
    bool load(const std::string &id, TJpegImage &picture) const;
    // Removes every file and link in the folder; sub-folders and the targets of links stay.
    void clear() const;
    // The rule at exit: the cache is kept when keep is true and emptied otherwise.
    void finish(bool keep) const
    {
        if (!keep)
            clear();
    }

private:
    std::string m_folder;
};

}  // namespace quenbo
