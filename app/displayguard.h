#pragma once

// Turns Qt's abort when no display can be reached into one line on standard error and exit
// status 1. Held while the application object is made; what Qt says meanwhile is passed on
// once it is clear that the display was found.
class DisplayGuard {
public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard &) = delete;
    DisplayGuard &operator=(const DisplayGuard &) = delete;
};
