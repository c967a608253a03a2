#pragma once

namespace tarrow {

class TTarrowMainForm;

// The pictures of the documentation. Only when the environment variable TARROW_SCREENSHOT_DIR
// names a folder (scripts/screenshots.sh sets it), the program walks through the main window with
// its projects, the project editor, the replace-rule dialog with a test, the About page, a run of
// the checked projects (while it goes on and after it), saves each as a PNG file there, and closes.
// With TARROW_SCREENSHOT_EDITOR_ONLY set to a file name, it saves only the project editor as it
// opens on the screen at hand, under that name. Otherwise this does nothing.
void StartScreenshotTourIfAsked(TTarrowMainForm& AWindow);

} // namespace tarrow
