#pragma once

namespace quenbo {

// True when the arguments ask for one of the commands that answer on the terminal without
// opening a window: --help (-h), --version (-v), --export-favourites, --import-favourites.
bool isCommandLineRun(int argc, char **argv);

// Runs the command the arguments ask for against this program's files and returns the exit
// status: 0 done, 1 the command failed (the reason on standard error), 2 the arguments are
// not understood. Needs a QCoreApplication.
int runCommandLine();

}  // namespace quenbo
