// qav-sim-webserver: the maker's web server's stand-in (sim/web_server_stand_in.h).
//
//   qav-sim-webserver [--port N] [--folder DIR] [--misbehave MODE] [--latest-ver V] [--link URL]
//                     [--critical 0|1] [--period SECONDS] [--show-button 0|1] [--report-web 0|1]
//                     [--certified 0|1] [--min-ver V] [--reply-root NAME]
//
// It prints "PORT <n>" once it listens on 127.0.0.1 and serves until it is ended.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/text.h"
#include "sim/web_server_stand_in.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  qav::sim::WebServerOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "qav-sim-webserver: %s needs a value\n", flag.c_str());
      return 2;
    }
    const std::string value = argv[++i];
    if (flag == "--port") {
      const auto port = qav::ParseUInt32(value);
      if (!port || *port > 65535) {
        std::fprintf(stderr, "qav-sim-webserver: bad port %s\n", value.c_str());
        return 2;
      }
      options.port = static_cast<uint16_t>(*port);
    } else if (flag == "--folder") {
      options.folder = value;
    } else if (flag == "--misbehave") {
      const auto mode = qav::sim::ParseWebMisbehaviour(value);
      if (!mode) {
        std::fprintf(stderr, "qav-sim-webserver: unknown misbehaviour %s\n", value.c_str());
        return 2;
      }
      options.misbehaviour = *mode;
    } else if (flag == "--latest-ver") {
      options.latestVersion = value;
    } else if (flag == "--link") {
      options.downloadLink = value;
    } else if (flag == "--critical") {
      options.critical = value;
    } else if (flag == "--period") {
      options.periodSeconds = value;
    } else if (flag == "--show-button") {
      options.showCheckButton = value;
    } else if (flag == "--report-web") {
      options.reportByWebPage = value;
    } else if (flag == "--certified") {
      options.certified = value;
    } else if (flag == "--min-ver") {
      options.minimumVersion = value;
    } else if (flag == "--reply-root") {
      options.replyRoot = value;
    } else {
      std::fprintf(stderr, "qav-sim-webserver: unknown option %s\n", flag.c_str());
      return 2;
    }
  }
  qav::sim::WebServerStandIn server(options);
  const uint16_t port = server.Listen();
  if (port == 0) {
    std::fprintf(stderr, "qav-sim-webserver: cannot listen on 127.0.0.1:%u: %s\n", options.port, std::strerror(errno));
    return 1;
  }
  std::printf("PORT %u\n", port);
  std::fflush(stdout);
  server.Serve();
  return 0;
}
