#include "app/CommandLine.h"

#include <algorithm>

#include "platform/Wildcard.h"
#include "transport/FileNames.h"

namespace pv {

namespace {

constexpr size_t kArgumentsLooked = 9;
constexpr char kPathOption[] = "/PATH=";

bool SameText(const std::string& a, const char* b) { return platform::EqualsIgnoringCase(a, b); }

bool StartsWithText(const std::string& text, const char* prefix) {
    const size_t n = std::char_traits<char>::length(prefix);
    return text.size() >= n && SameText(text.substr(0, n), prefix);
}

// "/PEXE": the program path up to and including its last backslash (or
// slash, where the program path is a host path).
std::string ProgramFolder(const std::string& programPath) {
    const size_t cut = programPath.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : programPath.substr(0, cut + 1);
}

// "/PATH=": the text after the option, with a separator appended unless it
// already ends with one.
std::string FolderOption(const std::string& argument) {
    std::string folder = argument.substr(sizeof kPathOption - 1);
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/'))
        folder += folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos ? '/' : '\\';
    return folder;
}

void ApplyFlag(const std::string& argument, StartupOptions& options) {
    const struct {
        const char* word;
        const char* alias;
        bool StartupOptions::*flag;
    } flags[] = {
        {"EasyExit", nullptr, &StartupOptions::easyExit},
        {"Once", "/X", &StartupOptions::once},
        {"Twice", "/2", &StartupOptions::twice},
        {"Execute", nullptr, &StartupOptions::execute},
        {"DontMakeDirs", nullptr, &StartupOptions::dontMakeDirs},
        {"DeleteOneInUse", "/D", &StartupOptions::deleteOneInUse},
        {"AllowMultipleInstances", "/M", &StartupOptions::allowMultipleInstances},
        {"NoDelay", nullptr, &StartupOptions::noDelay},
    };
    for (const auto& f : flags)
        if (SameText(argument, f.word) || (f.alias && SameText(argument, f.alias))) options.*f.flag = true;
}

}  // namespace

StartupOptions ParseCommandLine(const std::vector<std::string>& arguments, const std::string& currentFolder,
                                const std::string& programPath) {
    StartupOptions options;
    options.workingFolder = currentFolder;
    AppendPathSeparator(options.workingFolder);
    const size_t count = std::min(arguments.size(), kArgumentsLooked);
    for (size_t i = 0; i < count; ++i) {
        const std::string& argument = arguments[i];
        if (SameText(argument, "/PEXE"))
            options.workingFolder = ProgramFolder(programPath);
        else if (StartsWithText(argument, kPathOption))
            options.workingFolder = FolderOption(argument);
        else
            ApplyFlag(argument, options);
    }
    return options;
}

}  // namespace pv
