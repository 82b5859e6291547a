// The scripted server on a fixed port, for the studio tool's live checks:
//   scripted_http_server PORT CASE [BODY]
// Listens on 127.0.0.1:PORT, prints "listening" once it does, plays the case's script to the first
// connection and ends on SIGTERM or SIGINT (or by itself, 30 s after it started).
//   silence          reads the request and answers nothing
//   close            closes the connection without a word
//   long_status_line a status line of 16385 bytes
//   chunked          200 with BODY in two chunks
//   continue         two 100 responses, then 200 with BODY
#include "tests/native/ScriptedHttpServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using veyra::test::CloseConnection;
using veyra::test::Send;
using veyra::test::ServerStep;

std::string Chunk(const std::string& data) {
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + data + "\r\n";
}

std::map<std::string, std::vector<ServerStep>> Scripts(const std::string& body) {
    const std::string half = body.substr(0, body.size() / 2);
    const std::string rest = body.substr(body.size() / 2);
    return {
        {"silence", {}},
        {"close", {CloseConnection()}},
        {"long_status_line", {Send("HTTP/1.1 200 " + std::string(16385 - 13, 'K') + "\r\n")}},
        {"chunked",
         {Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunk(half)),
          Send(Chunk(rest) + "0\r\n\r\n")}},
        {"continue",
         {Send("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\n\r\n"),
          Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
               body)}},
    };
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: scripted_http_server PORT CASE [BODY]\n", stderr);
        return 2;
    }
    auto scripts = Scripts(argc > 3 ? argv[3] : "");
    const auto script = scripts.find(argv[2]);
    if (script == scripts.end()) {
        std::fprintf(stderr, "scripted_http_server: no case %s\n", argv[2]);
        return 2;
    }
    // The signals are taken by sigwait below, not by a handler.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    veyra::test::ScriptedHttpServer server(script->second,
                                           static_cast<std::uint16_t>(std::atoi(argv[1])));
    std::puts("listening");
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stop, &signal);
    server.Stop();
    return 0;
}
