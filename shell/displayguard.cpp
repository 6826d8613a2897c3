#include "shell/displayguard.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <unistd.h>

namespace {

// Qt's own messages name their file, function and category by string literals, so the
// pointers stay valid until the messages are passed on.
struct Held {
    QtMsgType type;
    const char *file;
    int line;
    const char *function;
    const char *category;
    QString text;
};

QtMessageHandler g_previous = nullptr;
QList<Held> g_held;

void hold(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        g_held.append({type, context.file, context.line, context.function, context.category, text});
        return;
    }
    // "No display" only when none is named: a named one that cannot be reached (refused,
    // gone, a platform plugin missing) is said as such. Qt's own reason follows either way.
    const QByteArray x11 = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (x11.isEmpty() && wayland.isEmpty())
        std::fputs("zav41k: no display found; the program needs one, named by DISPLAY (X11) or "
                   "WAYLAND_DISPLAY (Wayland)\n",
                   stderr);
    else
        std::fprintf(stderr, "zav41k: cannot start on the display %s\n",
                     (x11.isEmpty() ? wayland : x11).constData());
    const QByteArray reason = text.toLocal8Bit();
    std::fprintf(stderr, "%s\n", reason.constData());
    ::_exit(1);
}

} // namespace

DisplayGuard::DisplayGuard()
{
    g_previous = qInstallMessageHandler(hold);
}

DisplayGuard::~DisplayGuard()
{
    qInstallMessageHandler(g_previous);
    for (const Held &held : std::as_const(g_held))
        qt_message_output(held.type,
                          QMessageLogContext(held.file, held.line, held.function, held.category),
                          held.text);
    g_held.clear();
}
