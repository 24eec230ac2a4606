// A real SMTP server for the mail tests: Debian's aiosmtpd (sim/programs/sim_smtp_server.py) on
// 127.0.0.1 with a free port, in a process of its own that ends with this object, saving what it
// accepts into a private folder. It can speak STARTTLS or implicit TLS with a certificate made for
// the test, require a login, and answer with scripted failures or not at all.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace qav::test {

struct SmtpServerOptions {
  std::string tls;        // "", "starttls" or "implicit"
  std::string auth;       // "login:password" to require AUTH; "" for none
  int replyRcpt = 0;      // a scripted answer to RCPT TO (e.g. 550)
  int replyData = 0;      // a scripted answer to the end of DATA (e.g. 554)
  bool stallData = false; // never answer the end of DATA
};

// A mail as the server received it, read back by Python's email module.
struct ReceivedMail {
  struct Attachment {
    std::string fileName;
    std::string contentType;
    std::string bytes;
  };
  std::string subject, from, to, date, messageId, mimeVersion, body, bodyCharset;
  std::vector<Attachment> attachments;
  // The envelope: MAIL FROM, each RCPT TO, the login used ("-" for none), the transport.
  std::string envelopeFrom;
  std::vector<std::string> envelopeTo;
  std::string auth, tls;
  std::string rawPath;  // the .eml file
};

class SmtpServer {
 public:
  explicit SmtpServer(const SmtpServerOptions& options = {});
  SmtpServer(const SmtpServer&) = delete;
  SmtpServer& operator=(const SmtpServer&) = delete;

  bool started() const { return port_ > 0; }
  int port() const { return port_; }
  // The PEM certificate the client must trust (TLS modes only).
  std::string certificate() const { return dir_.File("cert.pem"); }
  const std::string& mailFolder() const { return mailFolder_; }

  // The next mail the server accepts, read back; nullopt when none arrives within the bound.
  std::optional<ReceivedMail> WaitForMail(int timeoutMs = 15000);
  // The number of mails accepted so far (without waiting).
  int MailCount() const;

 private:
  TempDir dir_;
  std::string mailFolder_;
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
  int read_ = 0;
};

// Reads a saved .eml (and its .env side file) back with Python's email module.
std::optional<ReceivedMail> ReadReceivedMail(const std::string& emlPath);

}  // namespace qav::test
