#pragma once

namespace tarrow {

class TTarrowMainForm;

// The pictures of the documentation. Only when the environment variable TARROW_SCREENSHOT_DIR
// names a folder (scripts/screenshots.sh sets it), the program walks through the main window with
// its projects, the project editor, the replace-rule dialog with a test, the About page and a run
// of the checked projects, saves each as a PNG file there, and closes. Otherwise this does nothing.
void StartScreenshotTourIfAsked(TTarrowMainForm& AWindow);

} // namespace tarrow
