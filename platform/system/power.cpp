#include "platform/system/power.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

namespace wc {

bool SystemPowerControl::ask(const QString& method, QString* error) {
    QStringList reasons;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            loginService, QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), method);
        // Not interactive: nobody may be at the machine to answer an authentication prompt.
        call << false;
        const QDBusMessage reply = bus.call(call, QDBus::Block, 25000);
        if (reply.type() == QDBusMessage::ReplyMessage) return true;
        reasons << QStringLiteral("login manager: ") + reply.errorMessage();
    } else {
        reasons << QStringLiteral("system bus: ") + bus.lastError().message();
    }
    // The same request through systemctl, which also reaches init systems without logind.
    QProcess p;
    p.start(systemctl, {method == QLatin1String("Reboot") ? QStringLiteral("reboot")
                                                          : QStringLiteral("poweroff")});
    if (!p.waitForStarted(systemctlTimeoutMs)) {
        reasons << systemctl + QStringLiteral(": ") + p.errorString();
    } else if (!p.waitForFinished(systemctlTimeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        reasons << systemctl + QStringLiteral(": no answer");
    } else if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
        return true;
    } else {
        const QString said = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        reasons << systemctl + QStringLiteral(": exit %1").arg(p.exitCode()) +
                       (said.isEmpty() ? QString() : QStringLiteral(" (") + said + u')');
    }
    if (error) *error = reasons.join(QStringLiteral("; "));
    return false;
}

PowerControl& systemPowerControl() {
    static SystemPowerControl power;
    return power;
}

namespace {
PowerControl* g_power = nullptr;
}

PowerControl& powerControl() {
    return g_power ? *g_power : systemPowerControl();
}

void setPowerControl(PowerControl* power) {
    g_power = power;
}

} // namespace wc
