#pragma once
// The window front end (pressvane-gui): the service object with its main
// window, tray icon, splash, exit warning and about box.
namespace pv::gui {

// Runs the service with its window for the process's arguments and returns
// the exit code.
int RunGuiService(int& argc, char** argv);

}  // namespace pv::gui
