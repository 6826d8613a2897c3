#include "support/virtualdisplay.h"

#include <QTest>

using namespace Qt::StringLiterals;

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
    m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-noreset"_s, u"-screen"_s, u"0"_s,
                               u"800x600x24"_s, u"-nolisten"_s, u"tcp"_s});
    if (!m_server.waitForStarted(5000)) {
        *why = u"Xvfb is needed for this test: "_s + m_server.errorString();
        return false;
    }
    QByteArray number;
    while (!number.endsWith('\n') && m_server.waitForReadyRead(10000))
        number += m_server.readAllStandardOutput();
    if (!number.endsWith('\n')) {
        *why = u"Xvfb did not start: "_s + QString::fromLocal8Bit(m_server.readAllStandardError());
        return false;
    }
    m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    if (m_manager == Manager::None)
        return true;
    m_windowManager.setProcessEnvironment(toolEnvironment());
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    m_windowManager.start(u"openbox"_s, {});
    if (!m_windowManager.waitForStarted(5000)) {
        *why = u"openbox is needed for this test: "_s + m_windowManager.errorString();
        return false;
    }
    // The window manager announces itself on the root window once it manages windows.
    if (!QTest::qWaitFor(
            [this] {
                return !xdotool({u"get_num_desktops"_s}).isNull() ||
                       m_windowManager.state() != QProcess::Running;
            },
            10000) ||
        m_windowManager.state() != QProcess::Running) {
        *why = u"openbox did not start (status %1): "_s.arg(m_windowManager.exitCode()) +
               QString::fromUtf8(m_windowManager.readAll());
        return false;
    }
    return true;
}

QProcessEnvironment VirtualDisplay::programEnvironment() const
{
    QProcessEnvironment environment;
    environment.insert(u"DISPLAY"_s, m_name);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    return environment;
}

QProcessEnvironment VirtualDisplay::toolEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_name);
    return environment;
}

QString VirtualDisplay::xdotool(const QStringList &arguments) const
{
    QProcess tool;
    tool.setProcessEnvironment(toolEnvironment());
    tool.start(u"xdotool"_s, arguments);
    if (!tool.waitForFinished(5000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        m_lastError = QString::fromUtf8(tool.readAllStandardError()).trimmed();
        return {};
    }
    QString output = QString::fromUtf8(tool.readAllStandardOutput());
    // Said nothing, and succeeded: empty, but not null.
    return output.isNull() ? u""_s : output;
}

int VirtualDisplay::visibleWindows(const QString &title) const
{
    return mappedWindows(u"--name"_s, title);
}

int VirtualDisplay::visibleWindowsOfClass(const QString &windowClass) const
{
    return mappedWindows(u"--class"_s, windowClass);
}

int VirtualDisplay::mappedWindows(const QString &field, const QString &pattern) const
{
    // xdotool search ends with status 1 when it finds nothing.
    QProcess search;
    search.setProcessEnvironment(toolEnvironment());
    search.start(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, field, pattern});
    search.waitForFinished(5000);
    return int(search.readAllStandardOutput().count('\n'));
}

QString VirtualDisplay::shownWindow(const QString &title) const
{
    QString found;
    (void)QTest::qWaitFor(
        [&] {
            found = xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, title}).trimmed();
            return !found.isEmpty();
        },
        15000);
    return found.section(u'\n', 0, 0);
}
