#include "app/Usage.h"

#include "notify/Product.h"

namespace pv {

namespace {

constexpr char kUsageWords[] = R"(
The working folder holds the service's settings and everything it keeps:
  /PATH=FOLDER      the working folder is FOLDER
  /PEXE             the working folder is the folder of the program file
  (neither)         the working folder is the current folder
The settings file is FOLDER/Pressvane/Pressvane.ini.  A missing file or key
is written back with its default, so after one start the file lists every
setting in effect.

Words (any order, any case; only the first nine arguments are looked at, and
an argument that is none of these is ignored):
  Once, /X          one pass over every input folder, then exit
  Twice, /2         two passes, then exit
  NoDelay           one second between passes instead of "Delay"
  EasyExit          closing the window needs no exit word; no splash window
  Execute           run the post-move batch files the routes name
  DontMakeDirs      do not create missing input and output folders
  DeleteOneInUse, /D
                    take away the first output folder lock found instead of
                    waiting for it
  AllowMultipleInstances, /M
                    start even when another instance runs (otherwise a
                    second start asks the first to show itself and exits 0)

Signals:
  SIGTERM, SIGINT   finish the file in hand, then exit 0
  SIGUSR1           pause or resume the monitor

Environment:
  PRESSVANE_RUNTIME_DIR   folder of the single-instance lock and socket
                          (else $XDG_RUNTIME_DIR, else /tmp)
  TEMP, TMPDIR            folder for temporary copies (else /tmp)
  PRESSVANE_CODEC_MODULE  the audio codec module to load instead of the
                          installed one

  -h, --help        show this text and exit
  --version         show the version and exit

See pressvane(1).
)";

}  // namespace

InfoRequest FindInfoRequest(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") return InfoRequest::help;
        if (argument == "--version") return InfoRequest::version;
    }
    return InfoRequest::none;
}

std::string UsageText(const std::string& program) {
    const bool window = program.ends_with("-gui");
    return "Usage: " + program + " [/PATH=FOLDER | /PEXE] [WORD]...\n" + "       " + program +
           " --help | --version\n\n" +
           (window ? "Runs the relay, conversion and publishing service with its window: status\n"
                     "lines, running time, pause, and an icon in the notification area.\n"
                   : "Runs the relay, conversion and publishing service without a window: status\n"
                     "lines go to standard output (to the journal under systemd).\n") +
           kUsageWords;
}

std::string VersionText(const std::string& program) {
    return program + " (" + kServiceName + ", " + kProductName + ") " + kVersionText + "\n";
}

std::optional<int> AnswerInfoRequest(const std::vector<std::string>& arguments, const std::string& program,
                                     std::FILE* out) {
    const InfoRequest request = FindInfoRequest(arguments);
    if (request == InfoRequest::none) return std::nullopt;
    const std::string text = request == InfoRequest::help ? UsageText(program) : VersionText(program);
    std::fputs(text.c_str(), out);
    std::fflush(out);
    return 0;
}

}  // namespace pv
