#include "support/virtualdisplay.h"

#include <QTest>

VirtualDisplay::VirtualDisplay(Manager manager)
    : m_manager(manager)
{
}

VirtualDisplay::~VirtualDisplay()
{
    for (QProcess *process : {&m_windowManager, &m_server}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }
}

bool VirtualDisplay::start(QString *why)
{
    // The server picks a free display number itself, and writes it once it takes clients. By
    // default it resets whenever its last client leaves, and refuses connections while it does:
    // a tool that ends just as the window manager or the program connects would make them fail.
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                    QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("800x600x24"),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server.waitForStarted(5000)) {
        *why = QStringLiteral("Xvfb is needed for this test: ") + m_server.errorString();
        return false;
    }
    QByteArray number;
    while (!number.endsWith('\n') && m_server.waitForReadyRead(10000))
        number += m_server.readAllStandardOutput();
    if (!number.endsWith('\n')) {
        *why = QStringLiteral("Xvfb did not start: ") +
               QString::fromLocal8Bit(m_server.readAllStandardError());
        return false;
    }
    m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    if (m_manager == Manager::None)
        return true;
    m_windowManager.setProcessEnvironment(toolEnvironment());
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    m_windowManager.start(QStringLiteral("openbox"), {});
    if (!m_windowManager.waitForStarted(5000)) {
        *why = QStringLiteral("openbox is needed for this test: ") + m_windowManager.errorString();
        return false;
    }
    // The window manager announces itself on the root window once it manages windows.
    if (!QTest::qWaitFor(
            [this] {
                return !xdotool({QStringLiteral("get_num_desktops")}).isNull() ||
                       m_windowManager.state() != QProcess::Running;
            },
            10000) ||
        m_windowManager.state() != QProcess::Running) {
        *why =
            QStringLiteral("openbox did not start (status %1): ").arg(m_windowManager.exitCode()) +
            QString::fromUtf8(m_windowManager.readAll());
        return false;
    }
    return true;
}

QProcessEnvironment VirtualDisplay::programEnvironment() const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return environment;
}

QProcessEnvironment VirtualDisplay::toolEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    return environment;
}

QString VirtualDisplay::xdotool(const QStringList &arguments) const
{
    QProcess tool;
    tool.setProcessEnvironment(toolEnvironment());
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(5000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        m_lastError = QString::fromUtf8(tool.readAllStandardError()).trimmed();
        return {};
    }
    QString output = QString::fromUtf8(tool.readAllStandardOutput());
    // Said nothing, and succeeded: empty, but not null.
    return output.isNull() ? QStringLiteral("") : output;
}

int VirtualDisplay::visibleWindows(const QString &title) const
{
    return mappedWindows(QStringLiteral("--name"), title);
}

int VirtualDisplay::visibleWindowsOfClass(const QString &windowClass) const
{
    return mappedWindows(QStringLiteral("--class"), windowClass);
}

int VirtualDisplay::mappedWindows(const QString &field, const QString &pattern) const
{
    // xdotool search ends with status 1 when it finds nothing.
    QProcess search;
    search.setProcessEnvironment(toolEnvironment());
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"), field, pattern});
    search.waitForFinished(5000);
    return int(search.readAllStandardOutput().count('\n'));
}
