#include "app/displayguard.h"

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
    std::fputs("zav41k: no display found; the program needs one, named by DISPLAY (X11) or "
               "WAYLAND_DISPLAY (Wayland)\n",
               stderr);
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
