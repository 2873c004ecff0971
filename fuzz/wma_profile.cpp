// WMA encoding profiles (".prx"): the input is the profile file's bytes.
#include "FuzzSupport.h"
#include "audio/WmaProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(pv::fuzz::AsText(data, size));
    // Only ASCII comes out of the text conversion.
    for (const char c : pv::audio::ProfileText(bytes)) PV_FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);
    pv::audio::WmaProfile profile;
    if (pv::audio::ParseWmaProfile(bytes, profile)) PV_FUZZ_CHECK(profile.channels != 0 && profile.samplesPerSec != 0);
    return 0;
}
