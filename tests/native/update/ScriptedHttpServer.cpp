#include "tests/native/ScriptedHttpServer.h"

#include "update/HttpError.h"

#include <algorithm>
#include <array>

namespace veyra::test {

namespace {
constexpr auto kSlice = std::chrono::milliseconds(20);
constexpr auto kLifetime = std::chrono::seconds(30);
} // namespace

ServerStep Send(std::string bytes) {
    return {ServerStep::Kind::send, std::move(bytes)};
}
ServerStep Pause(std::chrono::milliseconds time) {
    return {ServerStep::Kind::pause, {}, time};
}
ServerStep SendUrgent(char byte) {
    return {ServerStep::Kind::urgent, std::string(1, byte)};
}
ServerStep CloseConnection() {
    return {ServerStep::Kind::close, {}};
}
ServerStep Repeat(std::string bytes, std::chrono::milliseconds interval) {
    return {ServerStep::Kind::repeat, std::move(bytes), interval};
}

ScriptedHttpServer::ScriptedHttpServer(std::vector<ServerStep> script, std::uint16_t port)
    : script_(std::move(script)), listener_(ListenOnLoopback(port)), port_(listener_->Port()),
      giveUp_(Clock::now() + kLifetime), thread_([this] { Run(); }) {}

ScriptedHttpServer::~ScriptedHttpServer() {
    Stop();
}

void ScriptedHttpServer::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

bool ScriptedHttpServer::Stopping() const {
    return stop_ || Clock::now() >= giveUp_;
}

void ScriptedHttpServer::Run() {
    try {
        bool first = true;
        for (;;) {
            // After the stop, one last look for a connection already on its way.
            const bool last = Stopping();
            auto connection = listener_->Accept(last ? Clock::now() : Clock::now() + kSlice);
            if (connection) {
                ++connections_;
                if (first)
                    Serve(*connection);
                else
                    Drain(*connection);
                first = false;
            } else if (last) {
                return;
            }
        }
    } catch (const HttpError&) {
        // The listener failed: the test sees it through what was (not) received.
    }
}

void ScriptedHttpServer::Serve(ByteStream& connection) {
    try {
        if (!ReadRequestHead(connection))
            return;
        for (const ServerStep& step : script_) {
            switch (step.kind) {
            case ServerStep::Kind::send:
                connection.Write(
                    {reinterpret_cast<const std::uint8_t*>(step.bytes.data()), step.bytes.size()},
                    Clock::now() + std::chrono::seconds(5));
                break;
            case ServerStep::Kind::pause: {
                const auto until = Clock::now() + step.interval;
                while (!Stopping() && Clock::now() < until)
                    std::this_thread::sleep_for(
                        std::min<Clock::duration>(kSlice, until - Clock::now()));
                break;
            }
            case ServerStep::Kind::close:
                connection.Close();
                return;
            case ServerStep::Kind::urgent:
                SendUrgentByte(connection, static_cast<std::uint8_t>(step.bytes.front()));
                break;
            case ServerStep::Kind::repeat:
                while (!Stopping()) {
                    connection.Write({reinterpret_cast<const std::uint8_t*>(step.bytes.data()),
                                      step.bytes.size()},
                                     Clock::now() + std::chrono::seconds(2));
                    if (step.interval.count() > 0)
                        std::this_thread::sleep_for(step.interval);
                }
                break;
            }
        }
    } catch (const HttpError&) {
        // The client went away (or stopped reading) while the script was still playing.
        return;
    }
    Drain(connection);
}

bool ScriptedHttpServer::ReadRequestHead(ByteStream& connection) {
    std::array<std::uint8_t, 4096> buffer{};
    const std::size_t start = received_.size();
    while (received_.find("\r\n\r\n", start) == std::string::npos) {
        if (Stopping())
            return false;
        const auto got = connection.Read(buffer, Clock::now() + kSlice);
        if (got && *got == 0)
            return false;
        if (got)
            received_.append(reinterpret_cast<const char*>(buffer.data()), *got);
    }
    return true;
}

void ScriptedHttpServer::Drain(ByteStream& connection) {
    std::array<std::uint8_t, 4096> buffer{};
    try {
        for (;;) {
            const bool last = Stopping();
            const auto got = connection.Read(buffer, Clock::now() + kSlice);
            if (got && *got == 0)
                return;
            if (got)
                received_.append(reinterpret_cast<const char*>(buffer.data()), *got);
            else if (last)
                return;
        }
    } catch (const HttpError&) {
        // A reset by the client ends the connection as a close does.
    }
}

} // namespace veyra::test
