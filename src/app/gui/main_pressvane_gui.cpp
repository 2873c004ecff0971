// pressvane-gui: the service with its window.
#include "app/gui/GuiService.h"

int main(int argc, char** argv) { return pv::gui::RunGuiService(argc, argv); }
