#include "publish/StoryIntake.h"

#include <algorithm>
#include <cstdio>

#include "notify/TimeStamp.h"
#include "platform/Wildcard.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"

namespace pv {

namespace {

// The name without its four-character extension (".dat", ".txt", ".wav");
// a name of four characters or fewer is kept whole.
std::string TitleOf(const std::string& name) { return name.size() > 4 ? name.substr(0, name.size() - 4) : name; }

std::string MonthDayYear(const std::tm& local) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    return text;
}

}  // namespace

StoryIntake::StoryIntake(const StoryIntakeContext& context, StoryOptions options, StoryDriver& driver)
    : m_context(context), m_options(std::move(options)), m_driver(driver) {}

StoryIntake::Paths StoryIntake::PathsFor(const CDirOptions& route, const std::string& name) {
    const std::string title = TitleOf(name);
    return {route.m_inDir.Join(name), route.m_inDir.Join(title + ".dat"), route.m_inDir.Join(title + ".txt")};
}

StoryOutcome StoryIntake::Handle(const CDirOptions& route, const tagFileInfo& file) {
    const Paths paths = PathsFor(route, file.name);
    const bool precreates = route.m_bPrecreateTxtFiles && LowerExtension(file.name) == ".wav";
    if (precreates && !Precreate(route, file.name, paths.storyText)) return {};
    TraceScope scope(m_context.trace, "CPressvaneDlg::ProcessDirectory - Process File");
    m_story.Reset();
    if (route.m_bPrecreateTxtFiles) m_story.work.command = route.m_nPrecreateCommand;
    m_story.work.sourcePath = paths.storyText.Display();
    // A story that cannot be read yet is left for the next pass; a story
    // text precreated for it is made again then.
    auto leave = [&] {
        if (precreates) CFTPFile(m_context.files).Remove(paths.storyText);
        return StoryOutcome{};
    };
    CDatFile descriptor;
    if (route.m_bProcessDatFiles && !ReadDescriptor(paths, descriptor)) return leave();
    NoteFileTime(file.time);
    MailIfDelayed(file, paths.storyText);

    CFTPFile story(m_context.files);
    if (!story.Open(paths.storyText, platform::File::modeRead | platform::File::shareDenyWrite)) return leave();
    CTextFileHeader header;
    const Status read = header.Read(story);
    if (!read.ok()) {
        ShowFailure(m_context.reporter, read);
        m_context.reporter.Status("The story " + paths.storyText.Display() + " is tried again in the next pass.", true);
        story.Close();
        return leave();
    }
    if (header.m_nCommand >= 0) m_story.work.command = header.m_nCommand;
    if (!route.m_bProcessDatFiles) m_story.work.slug = header.m_strSlug;
    for (int skipped = 0; skipped < m_options.linesToIgnoreOnTopOfStory; ++skipped) {
        std::string ignored;
        if (!story.ReadLine(ignored)) break;
    }
    StorySubmission submission{route, m_story, header, descriptor, paths.storyText, paths.descriptor, story, file.time};
    const bool failed = !PublishAll(submission, file.name);
    story.Close();
    Finish(route, paths, failed, precreates);
    return {!failed, m_story.work.alias, m_story.work.slug};
}

// A story text for an arriving ".wav": a header dated today with the route's
// precreate command, and one body line that references the sound.
bool StoryIntake::Precreate(const CDirOptions& route, const std::string& name, const Location& storyText) {
    CFTPFile text(m_context.files);
    if (!text.Open(storyText, platform::File::modeCreate | platform::File::modeWrite)) {
        m_context.reporter.Status("Unable to create the story text " + storyText.Display() + " for " + name + ". " +
                                      text.ErrorText(),
                                  true);
        return false;
    }
    std::tm today{};
    platform::Clock::LocalTime(m_context.clock.NowSeconds(), today);
    CTextFileHeader header;
    header.m_strDate = MonthDayYear(today);
    header.m_strCommand = route.m_strPrecreateCommand;
    // The folder as shown: a story text is read by people, never a password.
    const bool written = header.Write(text) && text.WriteText("[" + route.m_inDir.Display() + name + "]\n");
    if (text.Close() && written) return true;
    m_context.reporter.Status("Unable to write the story text " + storyText.Display() + " for " + name + ".", true);
    CFTPFile(m_context.files).Remove(storyText);
    return false;
}

bool StoryIntake::ReadDescriptor(const Paths& paths, CDatFile& descriptor) {
    const Status read = descriptor.Read(m_context.files, paths.descriptor);
    if (!read.ok()) {
        ShowFailure(m_context.reporter, read);
        return false;
    }
    m_story.work.slug = descriptor.m_strSlug;
    m_story.work.command = descriptor.m_nCommand;
    return true;
}

void StoryIntake::NoteFileTime(std::time_t when) {
    std::tm local{};
    platform::Clock::LocalTime(when, local);
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    m_story.work.fileDate = MonthDayYear(local);
    m_story.work.fileTime = time;
}

// Checked at every attempt, so a story that keeps waiting is mailed about
// on every pass.
void StoryIntake::MailIfDelayed(const tagFileInfo& file, const Location& storyText) {
    if (!m_options.emailDelays || m_options.delayEmailTo.empty()) return;
    const std::time_t now = m_context.clock.NowSeconds();
    const long long waited = (now - file.time) / 60;
    const long long running = (now - m_context.serviceStart) / 60;
    if (waited > m_options.delayTimeoutMinutes && running > m_options.delayTimeoutMinutes)
        Notify(m_options.delayEmailTo, "File delay has exceeded timeout. Filename: " + storyText.Name());
}

// Every alias of the route in turn, the list read anew at every step: the
// aliases an alias adds are published after the others.  Each alias is
// published once, however often the list names it.  The story has failed
// when its first alias fails; a later alias failing is let go.
bool StoryIntake::PublishAll(StorySubmission& submission, const std::string& fileName) {
    std::vector<std::string>& aliases = m_story.work.aliases;
    aliases = submission.route.m_strAliases;
    std::set<std::string> published;
    for (size_t index = 0; index < aliases.size(); ++index) {
        std::string alias = aliases[index];
        if (!ResolveAlias(submission.route, submission.descriptor, alias)) {
            if (index == 0 && alias != kDescriptorAlias) return false;
            continue;
        }
        if (!published.insert(platform::AsciiLowered(alias)).second) continue;
        const std::time_t start = m_context.clock.NowSeconds();
        if (PublishAlias(submission, alias)) {
            m_driver.AfterPublication(submission.route);
            m_context.reporter.Status("Transferring " + fileName + " to " + alias + " containing slug " +
                                          m_story.work.slug + ".\nTime needed to process alias is: " +
                                          ElapsedText(m_context.clock.NowSeconds() - start),
                                      true);
        } else if (index == 0) {
            return false;
        }
    }
    return true;
}

// The alias as published: "QMUseDBFolderAlias" stands for the descriptor's.
// False (with a status line) when there is none to use; alias then says
// which alias was refused.
bool StoryIntake::ResolveAlias(const CDirOptions& route, const CDatFile& descriptor, std::string& alias) {
    if (alias == kDescriptorAlias) {
        if (!route.m_bProcessDatFiles) {
            m_context.reporter.Status(
                "Cannot use QMUseDBFolderAlias without processing dat files in " + route.m_inDir.Display(), true);
            return false;
        }
        alias = descriptor.m_strAlias;
    }
    std::string why;
    if (IsUsableAlias(alias, &why)) return true;
    m_context.reporter.Status("The folder alias \"" + alias + "\" of " + m_story.work.sourcePath +
                                  " cannot be used: " + why + ".",
                              true);
    return false;
}

bool StoryIntake::PublishAlias(StorySubmission& submission, const std::string& alias) {
    m_story.work.alias = alias;
    for (int retriesLeft = std::max(0, m_options.aliasRetryCount);; --retriesLeft) {
        if (m_driver.PublishStory(submission)) return true;
        if (retriesLeft <= 0 || m_context.exit) return false;
        PauseBeforeRetry();
        if (m_context.exit) return false;
    }
}

// In steps of at most a second, so that an exit request is heard.
void StoryIntake::PauseBeforeRetry() {
    for (int left = std::max(0, m_options.aliasRetryDelayMs); left > 0 && !m_context.exit; left -= 1000)
        m_context.clock.SleepFor(std::chrono::milliseconds(std::min(left, 1000)));
}

// A published story goes (with the ".wav" it was precreated for); a failed
// one goes on hold or stays for the next pass - its ".wav" with it, and a
// story text precreated for the ".wav" is made again then.
void StoryIntake::Finish(const CDirOptions& route, const Paths& paths, bool failed, bool precreated) {
    CFTPFile files(m_context.files);
    if (!failed) {
        files.Remove(paths.storyText);
        if (files.ExistState(paths.descriptor) == platform::Existence::present) files.Remove(paths.descriptor);
        if (precreated) files.Remove(paths.input);
        return;
    }
    if (m_options.putRetriesOnHold) {
        PutOnHold(route, paths, precreated);
        return;
    }
    if (precreated) files.Remove(paths.storyText);
}

void StoryIntake::PutOnHold(const CDirOptions& route, const Paths& paths, bool withInput) {
    const std::string text = "File moved to OnHold. Filename: " + paths.storyText.Name();
    if (m_options.warnViaEmail && !m_options.onHoldEmailTo.empty()) Notify(m_options.onHoldEmailTo, text);
    if (m_options.warnViaPinwell && !m_options.pinwellPath.empty())
        WriteWarning(Location::Parse(m_options.pinwellPath + paths.storyText.Name()), text);
    const Location folder = route.m_inDir.Subfolder("OnHold");
    CFTPFile(m_context.files).mkdir(folder);
    MoveIntoFolder(paths.storyText, folder);
    CFTPFile probe(m_context.files);
    if (probe.ExistState(paths.descriptor) == platform::Existence::present) MoveIntoFolder(paths.descriptor, folder);
    if (withInput) MoveIntoFolder(paths.input, folder);
}

// A message file for the wire browser; its folder is made when missing.
void StoryIntake::WriteWarning(const Location& file, const std::string& text) {
    CFTPFile warning(m_context.files);
    warning.mkdir(file.Folder());
    if (warning.Open(file, platform::File::modeCreate | platform::File::modeWrite) && warning.WriteText(text) &&
        warning.Close())
        return;
    m_context.reporter.Status("Unable to write the warning " + file.Display() + ". " + warning.ErrorText(), true);
}

// The original goes only once its copy is in place.
bool StoryIntake::MoveIntoFolder(const Location& file, const Location& folder) {
    CFTPFile mover(m_context.files);
    const Location target = folder.Join(file.Name());
    if (!mover.CopyFile(file, target)) {
        m_context.reporter.Status("Unable to put " + file.Display() + " on hold in " + folder.Display() + ". " +
                                      mover.ErrorText() + "\nIt stays where it is.",
                                  true);
        return false;
    }
    if (mover.Remove(file) != 0)
        m_context.reporter.Status("Unable to delete " + file.Display() + " after putting it on hold. " +
                                      mover.ErrorText(),
                                  true);
    return true;
}

void StoryIntake::Notify(const std::string& to, const std::string& text) {
    std::string error;
    if (m_context.mail.SendMail({to, text, text, {}, ""}, error)) return;
    m_context.reporter.Status(
        "Error: " + error + "\r\n\r\nTo: " + to + "\r\nFrom: \r\nSubject: " + text + "\r\n" + text, true);
}

}  // namespace pv
