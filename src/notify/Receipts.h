#pragma once
// Receipts: a wire browser message for every relayed output (when the route
// asks for it), and transmission receipts - a file in the sender's receipt
// folder and an e-mail to the sender's address - for published stories and
// their attached files.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/DirOptions.h"
#include "notify/MailSender.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "transport/FileAccess.h"
#include "transport/Location.h"

namespace pv {

// "Label: value" pairs, in the order they are written.
using ReceiptFields = std::vector<std::pair<std::string, std::string>>;

struct RelayReceipt {
    std::string outputFileName;
    int64_t outputSize = 0;
    ReceiptFields outputTags;  // the output file's WAV text tags, if it has them
    ReceiptFields inputCart;   // the input file's cart chunk fields, if it has one
    bool hasInputCart = false;
    std::string entireCartChunk;
};

struct TransmissionSubject {
    std::string slug;
    int senderNumber = 0;
    bool confirmFile = false;   // alias option "confirmation": "file" or "both"
    bool confirmEmail = false;  // "email" or "both"
};

class Receipts {
public:
    Receipts(FileAccess& files, WireMessages& messages, const MailSender& mail, platform::Clock& clock,
             std::string workingFolder);

    void WriteRelayReceipt(const CDirOptions& route, const RelayReceipt& receipt);
    // kind 1: the published story file; kind 0: an attached file.  Returns
    // the receipt file written (empty when none).
    // The receipt shows the path without its credentials.
    std::string WriteTransmissionReceipt(const TransmissionSubject& subject, int kind, const Location& path,
                                         bool success);

    std::string ConfirmationListPath() const;

private:
    bool FindSender(int sender, std::string& prefix, std::string& address);

    FileAccess& m_files;
    WireMessages& m_messages;
    const MailSender& m_mail;
    platform::Clock& m_clock;
    std::string m_workingFolder;
};

}  // namespace pv
