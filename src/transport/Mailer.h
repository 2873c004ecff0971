#pragma once
// How file access reports a failed copy by e-mail; the e-mail subsystem
// implements it and the service wires it in.
#include <string>
#include <vector>

namespace pv {

class Mailer {
public:
    virtual ~Mailer() = default;
    // Sends a message to the debug recipient.  Returns an empty text when the
    // mail went out, else why it did not.
    virtual std::string SendFileError(const std::string& subject, const std::string& message,
                                      const std::vector<std::string>& attachments) = 0;
};

}  // namespace pv
