#pragma once
// Switching the machine off or restarting it: the login manager (systemd-logind over the
// system D-Bus) is asked first, `systemctl` when that fails. Behind an interface so that
// tests never switch anything off.
#include <QString>

namespace wc {

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Asks the system; false with the reasons when neither way was accepted.
    virtual bool powerOff(QString* error) = 0;
    virtual bool reboot(QString* error) = 0;
};

// The real one. The service and the fallback program can be changed for tests of the
// fallback path (a login-manager name nobody owns, a stand-in for systemctl).
class SystemPowerControl final : public PowerControl {
public:
    QString loginService = QStringLiteral("org.freedesktop.login1");
    QString systemctl = QStringLiteral("systemctl");
    int systemctlTimeoutMs = 30000;

    bool powerOff(QString* error) override { return ask(QStringLiteral("PowerOff"), error); }
    bool reboot(QString* error) override { return ask(QStringLiteral("Reboot"), error); }

private:
    bool ask(const QString& method, QString* error);
};

PowerControl& systemPowerControl();
// The power control the program uses: the system's unless a test has set another (nullptr
// puts the system's back).
PowerControl& powerControl();
void setPowerControl(PowerControl* power);

} // namespace wc
