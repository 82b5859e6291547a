#pragma once
// A scripted HTTP server for the client's tests, on 127.0.0.1 (at a port of the system's
// choosing unless told one), running on its own thread over the same socket shim as the client
// (POSIX natively, Winsock under Wine). It waits for the first connection's request head, then
// plays its script: raw bytes, pauses, a close, or bytes repeated until the client goes away. It
// records every byte it receives and counts connections, so a test can tell exactly what was sent
// and that nothing was sent twice. Every wait is bounded: the server gives up 30 s after it
// started.
#include "tests/native/TestSockets.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace veyra::test {

struct ServerStep {
    enum class Kind { send, pause, close, repeat, urgent };
    Kind kind;
    std::string bytes;
    std::chrono::milliseconds interval{0};
};

ServerStep Send(std::string bytes);
ServerStep Pause(std::chrono::milliseconds time);
ServerStep CloseConnection();
// Sends the one byte as urgent (out-of-band) data.
ServerStep SendUrgent(char byte);
// Sends `bytes` again and again, `interval` apart, until the client closes or the server stops.
ServerStep Repeat(std::string bytes, std::chrono::milliseconds interval);

class ScriptedHttpServer {
public:
    // Listens at `port`, or at a port of the system's choosing when it is 0.
    explicit ScriptedHttpServer(std::vector<ServerStep> script, std::uint16_t port = 0);
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;
    ~ScriptedHttpServer();

    std::uint16_t Port() const { return port_; }

    // Stops the server after taking in what is still on the way; idempotent.
    void Stop();
    // After Stop: every byte received, all connections in order, and the number of connections.
    const std::string& Received() const { return received_; }
    int Connections() const { return connections_; }

private:
    void Run();
    void Serve(ByteStream& connection);
    bool ReadRequestHead(ByteStream& connection);
    // Takes in what the client sends until it closes or the server stops.
    void Drain(ByteStream& connection);
    bool Stopping() const;

    std::vector<ServerStep> script_;
    std::unique_ptr<TcpListener> listener_;
    std::uint16_t port_ = 0;
    Clock::time_point giveUp_;
    std::atomic<bool> stop_{false};
    std::string received_;
    int connections_ = 0;
    std::thread thread_;
};

} // namespace veyra::test
