#pragma once
// Where a filled template goes.  Bytes are written as they are; lines end
// in "\r\n", written explicitly by whoever ends a line.
#include <string>
#include <string_view>

#include "transport/FileString.h"

namespace pv {

inline constexpr std::string_view kPageLineEnd = "\r\n";

class PageOutput {
public:
    virtual ~PageOutput() = default;
    virtual void Write(std::string_view bytes) = 0;
    void EndLine() { Write(kPageLineEnd); }
    void WriteLine(std::string_view text) {
        Write(text);
        EndLine();
    }
};

// Into an open file (the publish driver's work file).  A filled template
// comes in many small pieces: they are gathered and written to the file in
// large ones, and whatever is left when the output is flushed or goes out
// of scope.  A failed write is remembered by the file, whose Close then
// fails.
class FilePageOutput final : public PageOutput {
public:
    static constexpr size_t kBufferSize = 64 * 1024;

    explicit FilePageOutput(CFileString& file) : m_file(file) {}
    ~FilePageOutput() override { Flush(); }
    FilePageOutput(const FilePageOutput&) = delete;
    FilePageOutput& operator=(const FilePageOutput&) = delete;

    void Write(std::string_view bytes) override;
    void Flush();

private:
    CFileString& m_file;
    std::string m_pending;
};

// Into memory.
class StringPageOutput final : public PageOutput {
public:
    void Write(std::string_view bytes) override { m_text += bytes; }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

}  // namespace pv
