#pragma once
// Small operations on file names and paths as the operator writes them
// (Windows form, FTP URLs, or host paths).
#include <string>
#include <string_view>

namespace pv {

// Turns text (a slug, a title, a name from a file) into a name that is safe
// on every file system we write to: "&" and blanks become "_" (dropped at the
// start), brackets, quotes, wildcards, "|" and control bytes are removed,
// bytes of 128 and up become "_", runs of "-" and "_" shrink to one.  With
// bAllowPath the drive colon and the separators are kept.  Never empty: an
// empty result is "z"; so is a name (or path part) of dots alone, such as
// "." or "..", which would name a folder instead of a file.
void MakeValidFilename(std::string& text, bool bAllowPath);

// Makes path end in a separator of the kind it already uses: "\" for
// Windows paths and bare drives, "/" for slash paths and URLs ("ftp:host").
// An empty path stays empty.
void AppendPathSeparator(std::string& path);

// Splits at the last "\" or "/": folder is everything through it, name the
// rest.  Without a separator the folder is empty.  Either output may be null.
// The hidden name a copy is written under in its destination folder before
// it is renamed into place: ".pvcopy-" + 12 random hex digits + ".part".
std::string HiddenCopyName();
// Whether a file name is one HiddenCopyName makes (never an input file).
bool IsHiddenCopyName(std::string_view name);

void SplitFolderAndName(const std::string& path, std::string* folder, std::string* name = nullptr);

// The name's extension from its last ".", dot included, in ASCII lower case;
// empty when the name has no ".".
std::string LowerExtension(const std::string& name);

}  // namespace pv
