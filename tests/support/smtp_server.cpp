#include "tests/support/smtp_server.h"

#include <sys/stat.h>

#include <fstream>

#include "platform/process.h"
#include "platform/text.h"

namespace qav::test {
namespace {

constexpr char kPython[] = "/usr/bin/python3";

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    fields.push_back(Unescape(std::string_view(line).substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// A self-signed certificate for 127.0.0.1, made with the openssl tool.
bool MakeCertificate(const TempDir& dir) {
  ProcessLaunch launch;
  launch.program = u"/usr/bin/openssl";
  for (const char* argument :
       {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"}) {
    launch.arguments.push_back(U16(argument));
  }
  launch.arguments.push_back(u"-keyout");
  launch.arguments.push_back(U16(dir.File("key.pem")));
  launch.arguments.push_back(u"-out");
  launch.arguments.push_back(U16(dir.File("cert.pem")));
  return SpawnAndWait(launch) == 0;
}

}  // namespace

SmtpServer::SmtpServer(const SmtpServerOptions& options) : mailFolder_(dir_.File("mail")) {
  mkdir(mailFolder_.c_str(), 0700);
  std::vector<std::string> arguments = {QAV_SIM_SMTP_SERVER, "--mail-folder", mailFolder_};
  if (!options.tls.empty()) {
    if (!MakeCertificate(dir_)) return;
    arguments.insert(arguments.end(), {"--tls", options.tls, "--cert", dir_.File("cert.pem"), "--key", dir_.File("key.pem")});
  }
  if (!options.auth.empty()) arguments.insert(arguments.end(), {"--auth", options.auth});
  if (options.replyRcpt != 0) arguments.insert(arguments.end(), {"--reply-rcpt", std::to_string(options.replyRcpt)});
  if (options.replyData != 0) arguments.insert(arguments.end(), {"--reply-data", std::to_string(options.replyData)});
  if (options.stallData) arguments.push_back("--stall-data");
  process_ = std::make_unique<ChildProcess>(kPython, arguments);
  if (!process_->started()) return;
  if (const auto ready = process_->WaitForLine("ready ", {}, -1, 20000)) {
    port_ = ParseInt32(std::string_view(*ready).substr(6)).value_or(0);
  }
}

std::optional<ReceivedMail> SmtpServer::WaitForMail(int timeoutMs) {
  if (!process_) return std::nullopt;
  const auto line = process_->WaitForLine("mail ", {}, -1, timeoutMs);
  if (!line) return std::nullopt;
  ++read_;
  return ReadReceivedMail(line->substr(5));
}

int SmtpServer::MailCount() const {
  int count = 0;
  while (true) {
    struct stat info {};
    if (stat((mailFolder_ + "/" + std::to_string(count + 1) + ".eml").c_str(), &info) != 0) return count;
    ++count;
  }
}

std::optional<ReceivedMail> ReadReceivedMail(const std::string& emlPath) {
  TempDir parts;
  ChildProcess reader(kPython, {QAV_READ_MAIL, emlPath, parts.path()});
  if (!reader.started() || !reader.WaitForLine("end", {}, -1, 20000)) return std::nullopt;
  ReceivedMail mail;
  mail.rawPath = emlPath;
  for (const std::string& line : reader.AllLines()) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() == 4 && f[0] == "attachment") {
      mail.attachments.push_back({f[1], f[2], ReadFileBytes(f[3])});
      continue;
    }
    if (f.size() != 2) continue;
    const std::string& name = f[0];
    const std::string& value = f[1];
    if (name == "subject") mail.subject = value;
    if (name == "from") mail.from = value;
    if (name == "to") mail.to = value;
    if (name == "date") mail.date = value;
    if (name == "message-id") mail.messageId = value;
    if (name == "mime-version") mail.mimeVersion = value;
    if (name == "body") mail.body = value;
    if (name == "body-charset") mail.bodyCharset = value;
  }
  std::string envPath = emlPath.substr(0, emlPath.size() - 4) + ".env";
  std::ifstream env(envPath);
  std::string line;
  while (std::getline(env, line)) {
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    const std::string key = line.substr(0, blank), value = line.substr(blank + 1);
    if (key == "from") mail.envelopeFrom = value;
    if (key == "to") mail.envelopeTo.push_back(value);
    if (key == "auth") mail.auth = value;
    if (key == "tls") mail.tls = value;
  }
  return mail;
}

}  // namespace qav::test
