#include "app/RelayService.h"

#include "audio/RelayReceiptFacts.h"
#include "platform/FileSystem.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

std::unique_ptr<DebugMailer> MakeDebugMailer(const MailOptions& mail, const MailSender& sender) {
    if (!mail.on || !mail.debugEmail) return nullptr;
    return std::make_unique<DebugMailer>(sender, mail.debugEmailTo);
}

}  // namespace

// With debug mail on, debug files go to "<working folder>Debug\", made here.
std::string RelayService::DebugFolder(const ServiceOptions& options, const std::string& workingFolder) {
    if (!options.mail.debugEmail) return {};
    const std::string folder = JoinPath(workingFolder, "Debug\\");
    platform::MakeDirs(folder);
    return folder;
}

RelayService::RelayService(const ServiceOptions& options, const RelayContext& context)
    : m_mail(options.mail.on ? MailSender(options.mail.server) : MailSender()),
      m_debugMailer(MakeDebugMailer(options.mail, m_mail)),
      m_debugFiles(context.clock, DebugFolder(options, context.workingFolder)),
      m_files(context.reporter, context.clock, options.files, m_debugMailer.get(), context.inFlight),
      m_folders(m_files),
      m_messages(m_files, context.reporter, context.workingFolder, &context.state.passHadFatalError),
      m_receipts(m_files, m_messages, m_mail, context.clock, context.workingFolder),
      m_audio(m_files, m_codecs, context.reporter, m_debugFiles, context.clock, options.audio),
      m_lock(m_files, context.reporter, context.trace, context.clock, context.state.exit, options.lock),
      m_postMove(m_files, context.reporter, context.workingFolder),
      m_transfer(m_files, context.reporter, m_lock, m_postMove, Hooks()),
      m_publish(options, {context.workingFolder, m_files, context.reporter, context.trace, context.clock, m_messages,
                          m_mail, m_receipts, m_lock, m_debugFiles, m_debugMailer.get(), context.state.exit, m_codecs}),
      m_scan(m_files, context.reporter, context.trace, context.clock, context.state, m_messages, m_transfer,
             options.relay.publishOrder,
             [this](const CDirOptions& route, const tagFileInfo& file) { return m_publish.Handle(route, file); }),
      m_monitor(context.state, context.routes, m_folders, context.reporter, context.clock, context.workingFolder,
                [this](const CDirOptions& route, int) { m_scan.ProcessDirectory(route); }) {}

RelayHooks RelayService::Hooks() {
    RelayHooks hooks;
    hooks.convert = [this](const CDirOptions& route, const std::string& source, const std::string& name,
                           std::string& outputPath) { return m_audio.ConvertRelayedAudio(route, source, name, outputPath); };
    hooks.reuse = [this](const CDirOptions&, const std::string& source, const std::string&, const ConvertedFile& converted,
                         std::string& outputPath) { m_audio.NameConvertedOutput(source, converted, outputPath); };
    hooks.receipt = [this](const CDirOptions& route, const std::string& outputPath, const std::string&,
                           const std::string& sourcePath) { WriteRelayReceipt(route, outputPath, sourcePath); };
    return hooks;
}

void RelayService::WriteRelayReceipt(const CDirOptions& route, const std::string& outputPath, const std::string& sourcePath) {
    m_receipts.WriteRelayReceipt(route, GatherRelayReceipt(m_files, outputPath, sourcePath));
}

}  // namespace pv
