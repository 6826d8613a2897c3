#pragma once

#include <QCoreApplication>

// Qt's event machinery needs an application object; one serves every input.
namespace FuzzApplication {

inline void ensure()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    (void)application;
}

} // namespace FuzzApplication
