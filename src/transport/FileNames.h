#pragma once
// Small operations on file names and paths as the operator writes them
// (Windows form, FTP URLs, or host paths).
#include <string>

namespace pv {

// Turns text (a slug, a title, a name from a file) into a name that is safe
// on every file system we write to: "&" and blanks become "_" (dropped at the
// start), brackets, quotes, wildcards, "|" and control bytes are removed,
// bytes of 128 and up become "_", runs of "-" and "_" shrink to one.  With
// bAllowPath the drive colon and the separators are kept.  Never empty: an
// empty result is "z".
void MakeValidFilename(std::string& text, bool bAllowPath);

// Makes path end in a separator of the kind it already uses: "\" for
// Windows paths and bare drives, "/" for slash paths and URLs ("ftp:host").
// An empty path stays empty.
void AppendPathSeparator(std::string& path);

// Splits at the last "\" or "/": folder is everything through it, name the
// rest.  Without a separator the folder is empty.  Either output may be null.
void SplitFolderAndName(const std::string& path, std::string* folder, std::string* name = nullptr);

}  // namespace pv
