#pragma once

#include "support/childprocess.h"

#include <functional>

// zav41k-link as a separate client process, its output lines kept with the time stamps taken
// off ("absorbance\t1.234").
class LinkProcess : public ChildProcess {
public:
    explicit LinkProcess(const QStringList &arguments)
        : ChildProcess(qEnvironmentVariable("ZAV41K_LINK"), arguments)
    {
    }

    // Calls `send` every 100 ms until this client has printed `line`: the source is up and
    // the client linked, so nothing sent after is missed. False after `timeoutMs`.
    bool sendUntilSeen(const std::function<void()> &send, const QString &line,
                       int timeoutMs = 15000);

protected:
    QString kept(const QString &line) const override
    {
        return line.contains(u'\t') ? line.section(u'\t', 1) : line;
    }
};
