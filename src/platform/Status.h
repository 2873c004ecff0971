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
        aborted,          // given up because the service is stopping
    };

    Status() = default;
    static Status OK() { return {}; }
    static Status NotFound(std::string message) { return {Code::notFound, std::move(message)}; }
    static Status InvalidArgument(std::string message) { return {Code::invalidArgument, std::move(message)}; }
    static Status IoError(std::string message) { return {Code::ioError, std::move(message)}; }
    static Status Refused(std::string message) { return {Code::refused, std::move(message)}; }
    static Status Busy(std::string message) { return {Code::busy, std::move(message)}; }
    static Status Aborted() { return {Code::aborted, {}}; }

    // The same failure with a second line: the cause, or what followed from
    // the failure.  Status lines show it on the line after the message.
    Status WithDetail(std::string detail) const {
        Status status = *this;
        status.m_detail = std::move(detail);
        return status;
    }

    bool ok() const { return m_code == Code::ok; }
    Code code() const { return m_code; }
    // Empty when ok (and for an abort, which needs no words).
    const std::string& message() const { return m_message; }
    const std::string& detail() const { return m_detail; }

    bool operator==(const Status& other) const = default;

private:
    Status(Code code, std::string message) : m_code(code), m_message(std::move(message)) {}

    Code m_code = Code::ok;
    std::string m_message;
    std::string m_detail;
};

}  // namespace pv
