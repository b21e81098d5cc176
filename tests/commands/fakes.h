#pragma once
// Fakes for the machine services the commands use: serial ports that record what was done to
// their lines, and a power control that records what it was asked and what had happened by
// then.
#include "platform/system/power.h"
#include "platform/system/seriallines.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace wc::commands::test {

struct FakeSerialPorts final : SerialPorts {
    QStringList opened;  // every device an open was tried on
    QStringList actions; // "<device> dtr on", "<device> break off", ...
    QString failOpen;    // the error text of a refused open; empty: opens succeed
    QString failLines;   // the error text of refused line functions
    std::unique_ptr<SerialLine> open(const QString& device, QString* error) override {
        opened << device;
        if (!failOpen.isEmpty()) {
            *error = failOpen;
            return nullptr;
        }
        return std::make_unique<Line>(*this, device);
    }
    struct Line final : SerialLine {
        Line(FakeSerialPorts& p, QString d) : ports(p), device(std::move(d)) {}
        bool act(const char* what, bool on, QString* error) {
            if (!ports.failLines.isEmpty()) {
                *error = ports.failLines;
                return false;
            }
            ports.actions << device + u' ' + QLatin1String(what) + (on ? " on" : " off");
            return true;
        }
        bool setDtr(bool on, QString* error) override { return act("dtr", on, error); }
        bool setBreak(bool on, QString* error) override { return act("break", on, error); }
        FakeSerialPorts& ports;
        QString device;
    };
};

struct FakePower final : PowerControl {
    QStringList asked;
    QString refuse; // the reason of a refusal; empty: accepted
    std::function<void()> onAsk;
    bool powerOff(QString* error) override { return answer(QStringLiteral("poweroff"), error); }
    bool reboot(QString* error) override { return answer(QStringLiteral("reboot"), error); }
    bool answer(const QString& what, QString* error) {
        asked << what;
        if (onAsk) onAsk();
        if (refuse.isEmpty()) return true;
        *error = refuse;
        return false;
    }
};

} // namespace wc::commands::test
