#include "support/XmlCheck.h"

#include <chrono>
#include <sstream>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace pv::test {

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kScript =
    "import sys, xml.dom.minidom\n"
    "for path in sys.argv[1:]:\n"
    "    try:\n"
    "        xml.dom.minidom.parse(path)\n"
    "        print('ok')\n"
    "    except Exception as error:\n"
    "        print('error: ' + str(error).replace('\\n', ' '))\n";

// The HTML 4.01 names of the Latin-1 code points 192 to 255.
constexpr const char* kLatinNames[64] = {
    "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc",
    "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde",
    "Ouml", "times", "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig", "agrave",
    "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute", "ecirc", "euml",
    "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde", "ouml",
    "divide", "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml"};

std::string DocumentType() {
    std::string declarations = "<!ENTITY nbsp \"&#160;\">";
    for (int i = 0; i < 64; ++i)
        declarations += "<!ENTITY " + std::string(kLatinNames[i]) + " \"&#" + std::to_string(192 + i) + ";\">";
    return "<!DOCTYPE description [" + declarations + "]>\n";
}

}  // namespace

std::optional<std::vector<std::string>> XmlParseErrors(const std::vector<std::string>& texts) {
    TempDir dir;
    std::vector<std::string> argv = {kPython, "-c", kScript};
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string path = dir / ("text" + std::to_string(i) + ".xml");
        WriteWholeFile(path, "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n" + DocumentType() +
                                 "<description>" + texts[i] + "</description>\n");
        argv.push_back(path);
    }
    const std::string output = dir / "verdicts.txt";
    ChildProcess python(argv, output);
    if (!python.Started() || python.Wait(std::chrono::minutes(2)) != 0) return std::nullopt;
    std::istringstream lines(ReadWholeFile(output));
    std::vector<std::string> errors;
    for (std::string line; std::getline(lines, line);) errors.push_back(line == "ok" ? std::string() : line);
    if (errors.size() != texts.size()) return std::nullopt;
    return errors;
}

}  // namespace pv::test
