#pragma once

class QLabel;

namespace LabelFit {

// Window layouts give each label the room that the reader's software gave it, which was made for
// that platform's font; where a text needs more, the label grows to hold it whole: downward,
// and away from the side its text is aligned to. A label never shrinks.
void growToText(QLabel *label);

} // namespace LabelFit
