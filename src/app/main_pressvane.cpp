// pressvane: the headless service.
#include <string>
#include <vector>

#include "app/ConsoleService.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return pv::RunConsoleService(arguments, argc > 0 ? argv[0] : "");
}
