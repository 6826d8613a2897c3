#pragma once

#include <QString>

class StableCapture;

// Why no capture can be taken now, with the numbers behind it, in the user's language; empty
// when one can.
QString holdText(const StableCapture &capture);
