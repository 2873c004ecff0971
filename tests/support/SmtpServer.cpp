#include "support/SmtpServer.h"

#include <cstdint>
#include <stdexcept>
#include <thread>

namespace pv::test {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::string ScriptPath() {
#ifdef PRESSVANE_SOURCE_DIR
    return std::string(PRESSVANE_SOURCE_DIR) + "/tests/support/smtp/smtp_server.py";
#else
    return (fs::path(__FILE__).parent_path() / "smtp" / "smtp_server.py").string();
#endif
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The envelope files are JSON the script writes with json.dump(ensure_ascii=True):
// one flat object of strings, booleans and lists of strings.  Just enough of a
// reader for that: strings (all escapes, \u as UTF-8), true/false, flat lists.
class EnvelopeReader {
public:
    explicit EnvelopeReader(std::string text) : m_text(std::move(text)) {}

    bool HasKey(const std::string& key) { return Find(key); }
    std::string StringAfterKey(const std::string& key) {
        Seek(key);
        return ReadString();
    }
    bool BoolAfterKey(const std::string& key) {
        Seek(key);
        SkipSpace();
        if (m_text.compare(m_at, 4, "true") == 0) return true;
        if (m_text.compare(m_at, 5, "false") == 0) return false;
        Fail("no boolean for " + key);
    }
    std::vector<std::string> ListAfterKey(const std::string& key) {
        Seek(key);
        SkipSpace();
        Expect('[');
        std::vector<std::string> items;
        SkipSpace();
        if (Peek() == ']') return items;
        for (;;) {
            items.push_back(ReadString());
            SkipSpace();
            if (Peek() == ']') return items;
            Expect(',');
        }
    }

private:
    // A key is a quoted name followed by a colon (a value may hold the same text).
    bool Find(const std::string& key) {
        const std::string quoted = "\"" + key + "\"";
        for (size_t from = 0; (m_at = m_text.find(quoted, from)) != std::string::npos; from = m_at) {
            m_at += quoted.size();
            SkipSpace();
            if (Peek() == ':') return true;
        }
        return false;
    }
    void Seek(const std::string& key) {
        if (!Find(key)) Fail("no key " + key);
        Expect(':');
    }
    void SkipSpace() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\n' || m_text[m_at] == '\t' ||
                                        m_text[m_at] == '\r'))
            ++m_at;
    }
    char Peek() const { return m_at < m_text.size() ? m_text[m_at] : '\0'; }
    char Next() {
        if (m_at >= m_text.size()) Fail("unexpected end");
        return m_text[m_at++];
    }
    void Expect(char c) {
        SkipSpace();
        if (Next() != c) Fail(std::string("expected ") + c);
    }
    uint32_t Hex4() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Next();
            value <<= 4;
            if (c >= '0' && c <= '9') value |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f') value |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') value |= static_cast<uint32_t>(c - 'A' + 10);
            else Fail("bad \\u escape");
        }
        return value;
    }
    std::string ReadString() {
        SkipSpace();
        Expect('"');
        std::string out;
        for (;;) {
            const char c = Next();
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            switch (const char e = Next()) {
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    uint32_t code = Hex4();
                    if (code >= 0xD800 && code < 0xDC00 && m_text.compare(m_at, 2, "\\u") == 0) {
                        m_at += 2;
                        const uint32_t low = Hex4();
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default: out += e; break;  // \" \\ \/
            }
        }
    }
    [[noreturn]] void Fail(const std::string& why) const {
        throw std::runtime_error("bad envelope file (" + why + "): " + m_text);
    }

    std::string m_text;
    size_t m_at = 0;
};

}  // namespace

SmtpServer::SmtpServer(Options options) : m_options(std::move(options)), m_out(m_dir.Path() / "messages") {
    fs::create_directory(m_out);
    std::vector<std::string> argv{"/usr/bin/python3", "-u",   ScriptPath(),          "--out", m_out.string(),
                                  "--port",           "0",    "--user",              m_options.user,
                                  "--password",       m_options.password};
    if (!m_options.requireAuth) argv.push_back("--no-auth-required");
    if (m_options.offerStartTls) argv.push_back("--starttls");
    if (m_options.allowBareLineEnds) argv.push_back("--allow-bare-line-ends");
    if (m_options.silent) argv.push_back("--silent");
    m_process.Start(argv, m_dir / "server.log");
    m_port = m_process.WaitForPortLine(30s);
}

size_t SmtpServer::MessageCount() const {
    size_t count = 0;
    while (fs::exists(m_out / (std::to_string(count + 1) + ".json"))) ++count;
    return count;
}

std::vector<SmtpServer::Message> SmtpServer::Messages() const {
    std::vector<Message> messages;
    const size_t count = MessageCount();
    for (size_t n = 1; n <= count; ++n) {
        const std::string stem = (m_out / std::to_string(n)).string();
        EnvelopeReader envelope(ReadWholeFile(stem + ".json"));
        Message message;
        message.mailFrom = envelope.StringAfterKey("mail_from");
        message.recipients = envelope.ListAfterKey("rcpt_tos");
        message.raw = ReadWholeFile(stem + ".eml");
        message.tls = envelope.BoolAfterKey("tls");
        message.authenticated = envelope.BoolAfterKey("authenticated");
        if (envelope.HasKey("parse_error")) {
            message.parseError = envelope.StringAfterKey("parse_error");
        } else {
            message.subject = envelope.StringAfterKey("subject");
            message.text = envelope.StringAfterKey("text");
            message.attachmentNames = envelope.ListAfterKey("attachment_names");
        }
        messages.push_back(std::move(message));
    }
    return messages;
}

bool SmtpServer::WaitForMessages(size_t count, std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (MessageCount() >= count) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

}  // namespace pv::test
