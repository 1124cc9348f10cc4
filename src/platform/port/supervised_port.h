// The port writer the engine uses: wraps one backend so that bad hardware is never silent.
// Owns the backend (and a virtual one to fall back on). open() and Out32 run on the engine
// thread; status() may be read from any thread. Never throws from Out32: faults go to the
// report callback (once per fault) and into the status the LED panel shows.
//
//  - open() fails: report once, run on the virtual backend from then on (health Fallback).
//  - a write fails: report once, the lines are unknown (health Failed); every later write
//    first tries to reopen the backend, and when that works the status says Recovered. A new
//    failure after a recovery is a new fault and is reported again.
#pragma once

#include "keying/port_writer.h"
#include "port/port_backend.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace dopplex::port {

enum class PortHealth {
    Ok,        // the chosen backend is open and every write so far went through
    Fallback,  // the chosen backend could not open; running on the virtual backend
    Failed,    // the last write failed; the lines are unknown; reopening at each write
    Recovered, // reopened after a failed write; writes go through again
};

struct PortStatus {
    std::string backend; // description of the backend in use
    PortHealth health = PortHealth::Ok;
    std::optional<std::uint8_t> lines; // byte last written; empty before the first write
                                       // and while Failed ("unknown")
    std::string message;               // what failed or recovered; empty when Ok
    std::string timing{};              // the engine thread's scheduling, when worth a word
    std::string unopened{};            // Fallback: the chosen backend that could not open
    bool operator==(const PortStatus&) const = default;
};

class PortStatusListener {
public:
    virtual ~PortStatusListener() = default;
    // Called on the engine thread after open() and after every write, with the new status.
    // Must return at once (post to the GUI thread); pulse timing waits for it.
    virtual void port_status_changed(const PortStatus& status) = 0;
};

// Receives each fault message once; the app shows it in the general error report. May be
// empty: the message then only reaches the status.
using PortReport = std::function<void(const std::string& message)>;

class SupervisedPort final : public PortWriter {
public:
    SupervisedPort(std::unique_ptr<PortBackend> backend, PortReport report,
                   PortStatusListener* listener = nullptr);
    ~SupervisedPort() override;

    // Once at start-up; Out32 calls it if nobody did.
    void open();
    void Out32(std::uint16_t address, std::uint8_t data) override;
    PortStatus status() const;

private:
    void write_or_fail(std::uint16_t address, std::uint8_t data);
    void tell(const std::string& message);
    void publish(PortStatus status);

    std::unique_ptr<PortBackend> backend_;
    PortReport report_;
    PortStatusListener* listener_;
    bool opened_ = false;
    mutable std::mutex mutex_;
    PortStatus status_;
};

} // namespace dopplex::port
