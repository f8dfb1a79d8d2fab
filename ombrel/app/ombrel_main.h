#pragma once
// The program ombrel: its entry and the road it takes to its end.
namespace kez::ombrel {

// The Qt application for the program (high-dpi scaling off, X11 unless told otherwise), then Main.
int runOmbrel(int& argc, char** argv);

// The write check of the state folder, the controller's start-up, the message loop until the controller ends
// the program. SIGTERM, SIGINT and the session's end shut the set down as Exit does. Returns the exit status.
int Main();

} // namespace kez::ombrel
