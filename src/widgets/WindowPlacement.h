#pragma once

class QWidget;

namespace kasplan {

// Places a top-level window in the middle of the screen it is on (the
// primary screen before it is shown).
void centreOnScreen(QWidget& window);

} // namespace kasplan
