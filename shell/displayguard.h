#pragma once

// Turns Qt's abort when no display can be reached into the program's line on standard error,
// Qt's own reason under it, and exit status 1: "no display" when none is named, else the
// display that could not be reached. Held while the application object is made; what Qt says
// meanwhile is passed on once it is clear that the display was found.
class DisplayGuard {
public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard &) = delete;
    DisplayGuard &operator=(const DisplayGuard &) = delete;
};
