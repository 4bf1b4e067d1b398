#pragma once

class QWidget;

namespace quenbo {

// Closes window, as its close box would, when the process receives SIGTERM, SIGINT or SIGHUP
// (a desktop session ending, Ctrl+C in a terminal), so that the settings are stored and the
// picture cache is tidied on the way out. The signal handler only wakes the event loop; the
// window is closed from there. Call once, from the GUI thread, before the event loop runs.
void closeOnTerminationSignals(QWidget *window);

}  // namespace quenbo
