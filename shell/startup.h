#pragma once

#include "common/outcome.h"

#include <QLocale>
#include <QString>

class CommControl;
class Prompter;

// What start-up asks of the main window.
class StartupWindow {
public:
    virtual ~StartupWindow();
    // Replaces the caption of a menu item, named as in the menu bar ("mnuFile", ...).
    virtual void setMenuCaption(const QString &menu, const QString &caption) = 0;
    // Moves the window to the left edge of the screen, centred vertically by its outer height.
    virtual Status placeAtLeftEdge() = 0;
};

namespace Startup {

// The main window's load step: title, menu texts, placement, line parameters, the stored port
// (or the port dialog when none is stored) and opening the port. It goes on past a failing
// step; the latest failure is reported at the checks, after which start-up ends (and after the
// last check the port dialog is offered).
void Form_Load(StartupWindow &window, CommControl &comm, Prompter &prompter, const QLocale &locale);

} // namespace Startup
