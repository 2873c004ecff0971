#pragma once
// The outcome of an operation: ok, or a code and a message that says what
// went wrong in words an operator can act on.  The caller that decides what a
// failure means writes the status line, with the message in it.
//
//   Status s = file.Copy(from, to);
//   if (!s.ok()) return s;
#include <string>
#include <utility>

namespace pv {

class Status {
public:
    enum class Code {
        ok,
        notFound,         // the file, folder or server object is not there
        invalidArgument,  // a malformed or unsafe path, name or value
        ioError,          // the file system or the network failed
        refused,          // the server refused the connection or the logon
        busy,             // someone else holds it (a lock, a writer)
    };

    Status() = default;
    static Status OK() { return {}; }
    static Status NotFound(std::string message) { return {Code::notFound, std::move(message)}; }
    static Status InvalidArgument(std::string message) { return {Code::invalidArgument, std::move(message)}; }
    static Status IoError(std::string message) { return {Code::ioError, std::move(message)}; }
    static Status Refused(std::string message) { return {Code::refused, std::move(message)}; }
    static Status Busy(std::string message) { return {Code::busy, std::move(message)}; }

    bool ok() const { return m_code == Code::ok; }
    Code code() const { return m_code; }
    // Empty when ok.
    const std::string& message() const { return m_message; }

    bool operator==(const Status& other) const = default;

private:
    Status(Code code, std::string message) : m_code(code), m_message(std::move(message)) {}

    Code m_code = Code::ok;
    std::string m_message;
};

}  // namespace pv
