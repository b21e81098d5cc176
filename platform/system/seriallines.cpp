#include "platform/system/seriallines.h"

#include <QSerialPort>
#include <cerrno>
#include <cstring>

namespace wc {
namespace {

// QSerialPort keeps errno-based texts for most failures; when it has none of its own, the
// text of the last system error is the more useful one.
QString errorTextOf(const QSerialPort& port, int savedErrno) {
    const QString own = port.errorString();
    if (!own.isEmpty() && own != QLatin1String("Unknown error")) return own;
    return QString::fromLocal8Bit(std::strerror(savedErrno ? savedErrno : EIO));
}

class QtSerialLine final : public SerialLine {
public:
    explicit QtSerialLine(std::unique_ptr<QSerialPort> port) : port_(std::move(port)) {}
    bool setDtr(bool on, QString* error) override {
        return check(port_->setDataTerminalReady(on), error);
    }
    bool setBreak(bool on, QString* error) override {
        return check(port_->setBreakEnabled(on), error);
    }

private:
    bool check(bool ok, QString* error) {
        const int saved = errno;
        if (ok) return true;
        if (error) *error = errorTextOf(*port_, saved);
        port_->clearError();
        return false;
    }
    std::unique_ptr<QSerialPort> port_;
};

class QtSerialPorts final : public SerialPorts {
public:
    std::unique_ptr<SerialLine> open(const QString& device, QString* error) override {
        auto port = std::make_unique<QSerialPort>();
        // A full path is used as it stands; QSerialPort takes the device for exclusive use
        // (TIOCEXCL and its lock file) and never creates it.
        port->setPortName(device);
        errno = 0;
        if (!port->open(QIODevice::ReadWrite)) {
            const int saved = errno;
            if (error) *error = errorTextOf(*port, saved);
            return nullptr;
        }
        return std::make_unique<QtSerialLine>(std::move(port));
    }
};

} // namespace

SerialPorts& systemSerialPorts() {
    static QtSerialPorts ports;
    return ports;
}

namespace {
SerialPorts* g_ports = nullptr;
}

SerialPorts& serialPorts() {
    return g_ports ? *g_ports : systemSerialPorts();
}

void setSerialPorts(SerialPorts* ports) {
    g_ports = ports;
}

} // namespace wc
