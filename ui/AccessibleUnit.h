#pragma once

class QLabel;

namespace tarrow {

// Makes a link label that runs a command known to assistive technology as a button with a press
// action (activating its link); its name is the label's text.
void ExposeAsButton(QLabel* ALabel);

} // namespace tarrow
