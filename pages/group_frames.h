// Group boxes drawn as on the forms' original platform: the frame line runs through the middle
// of the caption, so that a control placed just below the caption's line in dialog units sits
// inside the frame, not on it.
#pragma once

class QWidget;

namespace pages {

// Applies that look to every group box on form.
void FrameCaptionsOnTheLine(QWidget* form);

}  // namespace pages
