#include "port/supervised_port.h"

#include "port/virtual_port.h"

#include <exception>

namespace dopplex::port {

SupervisedPort::SupervisedPort(std::unique_ptr<PortBackend> backend, PortReport report,
                               PortStatusListener* listener)
    : backend_(std::move(backend)), report_(std::move(report)), listener_(listener) {
    status_.backend = backend_->description();
}

SupervisedPort::~SupervisedPort() {
    backend_->close();
}

void SupervisedPort::open() {
    if (opened_) {
        return;
    }
    opened_ = true;
    PortStatus next = status();
    try {
        backend_->open();
    } catch (const std::exception& error) {
        next.message = "The port " + backend_->description() +
                       " could not be opened: " + error.what() +
                       ". Dopplex runs on the virtual port: the LED panel shows the lines, no "
                       "radio is keyed.";
        next.unopened = backend_->description();
        backend_ = std::make_unique<VirtualPort>();
        next.backend = backend_->description();
        next.health = PortHealth::Fallback;
        tell(next.message);
    }
    publish(std::move(next));
}

void SupervisedPort::Out32(std::uint16_t address, std::uint8_t data) {
    open();
    write_or_fail(address, data);
}

void SupervisedPort::write_or_fail(std::uint16_t address, std::uint8_t data) {
    PortStatus next = status();
    const bool reopening = next.health == PortHealth::Failed;
    try {
        if (reopening) {
            backend_->open();
        }
        backend_->write(address, data);
    } catch (const std::exception& error) {
        backend_->close();
        if (!reopening) {
            next.health = PortHealth::Failed;
            next.lines.reset();
            next.message = "The port " + backend_->description() +
                           " stopped working: " + error.what() +
                           ". The state of the lines is unknown; Dopplex tries to reopen the "
                           "port at every write.";
            tell(next.message);
        }
        publish(std::move(next));
        return;
    }
    next.lines = data;
    if (reopening) {
        next.health = PortHealth::Recovered;
        next.message = "The port " + backend_->description() +
                       " was reopened after a failed write; the lines follow again.";
    }
    publish(std::move(next));
}

void SupervisedPort::tell(const std::string& message) {
    if (report_) {
        report_(message);
    }
}

void SupervisedPort::publish(PortStatus next) {
    {
        const std::lock_guard lock(mutex_);
        status_ = next;
    }
    if (listener_ != nullptr) {
        listener_->port_status_changed(next);
    }
}

PortStatus SupervisedPort::status() const {
    const std::lock_guard lock(mutex_);
    return status_;
}

} // namespace dopplex::port
