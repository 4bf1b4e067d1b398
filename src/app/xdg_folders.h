#pragma once

#include "core/program_paths.h"

namespace quenbo {

// The per-user folders of the XDG base directory rules as they stand in this process's
// environment, resolved by Qt (defaults under the home folder where a variable is unset or
// not an absolute path).
XdgFolders currentXdgFolders();

// The layout and files of this program, from the executable's folder and the XDG folders.
ProgramPaths currentProgramPaths();

}  // namespace quenbo
