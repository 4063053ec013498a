#pragma once

class QWidget;

namespace cz {

// Deletes the window's direct child widgets now, without letting them report anything to the
// window on their way out. Views watch models their window's presenter owns, and the presenter goes
// before the children would: a window calls this from its destructor so the views go first.
void deleteViewsFirst(QWidget* window);

}  // namespace cz
