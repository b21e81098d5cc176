#pragma once
// Serial-port lines that switch outside equipment: open a port device, raise and lower DTR,
// set and clear the break state of the transmit line. Behind an interface so that tests put
// a fake in its place; the program uses QSerialPort.
#include <QString>
#include <memory>

namespace wc {

// One open port.
class SerialLine {
public:
    virtual ~SerialLine() = default;
    // Raises (on) or lowers DTR; false with the system's error text on failure.
    virtual bool setDtr(bool on, QString* error) = 0;
    // Puts the transmit line into the break state (on) or ends it.
    virtual bool setBreak(bool on, QString* error) = 0;
};

class SerialPorts {
public:
    virtual ~SerialPorts() = default;
    // Opens an existing device for reading and writing, exclusively. nullptr with the system's
    // error text when it cannot be opened.
    virtual std::unique_ptr<SerialLine> open(const QString& device, QString* error) = 0;
};

// The machine's serial ports, through QSerialPort.
SerialPorts& systemSerialPorts();
// The serial ports the program uses: the system's unless a test has set others (nullptr puts
// the system's back).
SerialPorts& serialPorts();
void setSerialPorts(SerialPorts* ports);

} // namespace wc
