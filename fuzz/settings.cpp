// The settings file: the input is Pressvane.ini; every global key, the route
// list and the host paths are read from it (and written back, as at start-up),
// then read a second time, which must find nothing left to write.  A value
// written to the file must read back as written.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "FuzzSupport.h"
#include "config/GlobalSettings.h"
#include "config/HostPathSettings.h"
#include "config/ProfileFile.h"
#include "config/RouteReader.h"
#include "platform/Reporter.h"

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Dates the file ten seconds back, so that it counts as settled and its
// parsed image is re-used instead of re-read at every key (which only
// slows the run down).
void Settle(const std::string& path) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 10;
    times[1] = times[0];
    PV_FUZZ_CHECK(::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0);
}

// One start-up's reads; the number of routes found.
size_t ReadEverything(const std::string& folder, const std::string& file) {
    pv::ProfileBatch batch(file);
    pv::SettingsReader reads(file);
    pv::CIni ini;
    pv::NullReporter reporter;
    pv::RouteList routes;
    pv::ReadWindowSettings(reads);
    pv::ReadReaderSettings(reads, ini, reporter, folder, false, routes);
    pv::ReadLaterSettings(reads, folder);
    pv::ReadHostPathSettings(reads, reporter);
    std::string error;
    PV_FUZZ_CHECK(batch.Commit(&error));
    return routes.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = pv::fuzz::AsText(data, size);
    const std::string folder = pv::fuzz::Scratch().Folder();
    static const bool made = std::filesystem::create_directories(folder + "Pressvane");
    (void)made;
    const std::string file = folder + "Pressvane/Pressvane.ini";
    pv::fuzz::WriteWholeFile(file, text);
    Settle(file);

    const size_t routes = ReadEverything(folder, file);
    const std::string settled = ReadWholeFile(file);
    Settle(file);
    PV_FUZZ_CHECK(ReadEverything(folder, file) == routes);
    PV_FUZZ_CHECK(ReadWholeFile(file) == settled);

    // The last line of the input as a value (a value holds no line break).
    std::string value(text.substr(text.find_last_of('\n') == std::string_view::npos ? 0 : text.find_last_of('\n') + 1));
    std::erase(value, '\r');
    pv::ProfileFile profile(file);
    std::string error;
    PV_FUZZ_CHECK(profile.WriteString("MoveFiles", "Comment0", value, &error));
    PV_FUZZ_CHECK(profile.GetString("MoveFiles", "Comment0", "<missing>") == value);

    std::vector<std::string> rejected;
    pv::ParseDriveMap(std::string(text), rejected);
    for (const std::string& entry : pv::SplitList(std::string(text))) PV_FUZZ_CHECK(!entry.empty());
    return 0;
}
