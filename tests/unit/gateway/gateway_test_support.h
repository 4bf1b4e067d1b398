#pragma once

#include "assets/uzipfile.h"
#include "core/ucommon.h"
#include "program_folder.h"

#include <map>
#include <memory>
#include <string>

// The core object the gateway signs with, read from the archive of a program folder of its
// own. Removed with the object.

namespace quenbo::testsupport {

class ProgramCommon {
public:
    // The standard settings, each of settings in place of the one of the same name.
    explicit ProgramCommon(const std::map<std::string, std::string> &settings = {});

    const TCommon &common() const { return *m_common; }

private:
    ProgramFolder m_dir;
    std::unique_ptr<TZipFile> m_zip;
    std::unique_ptr<TCommon> m_common;
};

}  // namespace quenbo::testsupport
