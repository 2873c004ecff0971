#pragma once
// How code below the service shell reports: status lines (shown, optionally
// also written to the daily status log) and trace lines (trace log only).
// The app wires the real sink in; NullReporter drops everything.
#include <string>

namespace pv {

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void Status(const std::string& text, bool toStatusLog) = 0;
    virtual void Trace(const std::string& text) = 0;
};

class NullReporter final : public Reporter {
public:
    void Status(const std::string&, bool) override {}
    void Trace(const std::string&) override {}
};

}  // namespace pv
