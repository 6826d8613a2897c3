#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A virtual X display of its own for tests of the real window, on a display number no other
// display uses, with a window manager where the test needs one (frames, minimising, focus).
class VirtualDisplay {
public:
    enum class Manager { None, Openbox };

    explicit VirtualDisplay(Manager manager = Manager::None);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay &) = delete;
    VirtualDisplay &operator=(const VirtualDisplay &) = delete;

    // Starts the display (and its window manager) and waits until it takes clients; on
    // failure, says why.
    bool start(QString *why);

    QString name() const { return m_name; }
    // For the program: this display, the X11 platform, a known locale.
    QProcessEnvironment programEnvironment() const;
    // For the tools run on the display.
    QProcessEnvironment toolEnvironment() const;

    // Runs xdotool with `arguments`; its standard output (empty, not null, when it said nothing),
    // or a null string when it failed.
    QString xdotool(const QStringList &arguments) const;
    // Types `keys` into the window that has the focus.
    bool keys(const QStringList &keys) const
    {
        return !xdotool(QStringList{"key"} + keys).isNull();
    }
    // The id of the first mapped window whose name matches `title`, once there is one; empty
    // when there is none within 15 s.
    QString shownWindow(const QString &title) const;
    // What the last xdotool that failed said.
    QString lastError() const { return m_lastError; }
    // How many windows are mapped whose name matches the regular expression `title`.
    int visibleWindows(const QString &title) const;
    // How many windows of the program `windowClass` are mapped, its open menus included (they
    // have no name).
    int visibleWindowsOfClass(const QString &windowClass) const;

private:
    int mappedWindows(const QString &field, const QString &pattern) const;

    Manager m_manager;
    QString m_name;
    QProcess m_server;
    QProcess m_windowManager;
    mutable QString m_lastError;
};
