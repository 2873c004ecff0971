#include "notify/Receipts.h"

#include <cstdio>
#include <cstdlib>

#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

std::string Stamp(const std::tm& t, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, t.tm_mon + 1, t.tm_mday, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

int LeadingNumber(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

// A name made from a slug or a file name never leaves its folder.
std::string SafePart(std::string text) {
    MakeValidFilename(text, false);
    return text;
}

}  // namespace

Receipts::Receipts(FileAccess& files, WireMessages& messages, const MailSender& mail, platform::Clock& clock,
                   std::string workingFolder)
    : m_files(files), m_messages(messages), m_mail(mail), m_clock(clock), m_workingFolder(std::move(workingFolder)) {}

std::string Receipts::ConfirmationListPath() const {
    return JoinPath(m_workingFolder, "Pressvane\\ReceiptConfirmationList.dat");
}

void Receipts::WriteRelayReceipt(const CDirOptions& route, const RelayReceipt& receipt) {
    if (!route.m_bSendReceiptViaPinwell) return;
    std::tm now{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), now);
    std::string text = Stamp(now, "%02d/%02d/%04d %02d:%02d\n\n");
    text += "Received " + receipt.outputFileName + "\n";
    text += "File Size: " + std::to_string(receipt.outputSize) + "\n";
    if (!receipt.outputTags.empty()) {
        text += "\nOUTPUT FILE: \n";
        for (const auto& [label, value] : receipt.outputTags) text += label + value + "\n";
    }
    if (receipt.hasInputCart) {
        text += "\nINPUT FILE: \n";
        for (const auto& [label, value] : receipt.inputCart) text += label + value + "\n";
        text += "Cart Property m_strEntireCartChunk: " + receipt.entireCartChunk;
    }
    if (!m_messages.WriteMessage("", text)) m_messages.PostFatalError(&route, "", "Can't write receipt file to Pinwell.");
}

bool Receipts::FindSender(int sender, std::string& prefix, std::string& address) {
    CFTPFile list(m_files);
    if (!list.Open(ConfirmationListPath(), platform::File::modeRead | platform::File::shareDenyNone)) return false;
    bool found = false;
    for (std::string line; list.ReadLine(line);) {
        const size_t first = line.find(';');
        const int number = first == std::string::npos ? 0 : LeadingNumber(line.substr(0, first));
        if (number != sender) continue;
        const size_t second = line.find(';', first + 1);
        if (second != std::string::npos) {
            prefix = line.substr(first + 1, second - first - 1);
            address = line.substr(second + 1);
            found = true;
        }
        break;  // the first line of the sender decides, usable or not
    }
    list.Close();
    return found;
}

std::string Receipts::WriteTransmissionReceipt(const TransmissionSubject& subject, int kind, const Location& file,
                                               bool success) {
    if (kind == 1 ? !subject.confirmFile : !subject.confirmEmail) return {};
    CFTPFile sizer(m_files);
    const int64_t size = sizer.GetFileSize(file);
    const std::string& path = file.Display();
    const std::time_t nowSeconds = m_clock.NowSeconds();
    std::tm now{};
    platform::Clock::LocalTime(nowSeconds, now);
    const char* outcome = success ? "Success" : "Failure";
    std::string fileName;
    SplitFolderAndName(path, nullptr, &fileName);

    std::string text = kind == 1 ? subject.slug + " z z\n" : subject.slug + "-" + outcome + " z z\n";
    text += Stamp(now, "%02d/%02d/%04d %02d:%02d:%02d\n");
    text += "*** Quillmark Pressvane Transmission ***\nSent by: " + std::to_string(subject.senderNumber) +
            "\nFilename: " + path + "\nSize: " + std::to_string(size) + "\n";
    if (kind == 0) {
        text += "File: " + path + (success ? " was" : " was NOT") + " successfully received.\n";
        if (!success) text += "Please ask whoever sent this file to resend it.\n";
    }

    std::string prefix, address, receiptPath;
    if (!FindSender(subject.senderNumber, prefix, address)) return {};
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.Steady().time_since_epoch()).count();
    char tail[96];
    std::snprintf(tail, sizeof tail, "-%s-%d-%02d-%02d-%04d-%02d-%02d-%02d-%d.txt", outcome, subject.senderNumber,
                  now.tm_mon + 1, now.tm_mday, now.tm_year + 1900, now.tm_hour, now.tm_min, now.tm_sec,
                  static_cast<int>(millis % 1000));
    receiptPath = prefix + "-" + SafePart(fileName) + "-" + SafePart(subject.slug) + tail;
    CFTPFile receipt(m_files);
    if (receipt.Open(receiptPath, platform::File::modeCreate | platform::File::modeWrite | platform::File::shareExclusive)) {
        receipt.WriteText(text);
        if (!receipt.Close()) receiptPath.clear();
    } else {
        receiptPath.clear();
    }
    if (!address.empty()) {
        std::string error;
        m_mail.SendMail({address,
                         subject.slug + " " + fileName + " " + outcome + " " +
                             Stamp(now, "%02d/%02d/%04d %02d:%02d:%02d"),
                         text, {}, ""},
                        error);
    }
    return receiptPath;
}

}  // namespace pv
