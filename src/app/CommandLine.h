#pragma once
// The start-up options and the working folder, from the command line.
#include <string>
#include <vector>

namespace pv {

struct StartupOptions {
    std::string workingFolder;  // always ends with a separator (unless empty by "/PEXE")
    bool easyExit = false;
    bool once = false;
    bool twice = false;
    bool execute = false;
    bool dontMakeDirs = false;
    bool deleteOneInUse = false;
    bool noDelay = false;
    bool allowMultipleInstances = false;
};

// Looks at the first nine arguments after the program name; unknown ones are
// ignored.  `currentFolder` is the folder the process started in and
// `programPath` the path of the program file.
StartupOptions ParseCommandLine(const std::vector<std::string>& arguments, const std::string& currentFolder,
                                const std::string& programPath);

}  // namespace pv
