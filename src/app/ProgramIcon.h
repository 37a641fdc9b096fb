#pragma once

#include <QIcon>

namespace kv {

// The program's icon for its windows. Its pictures are read only when a window asks for one at a
// size, not at start: a window system takes the small sizes for the title bar and the task bar
// (16, 32 and 48 are offered), the menu and the dock take theirs from the installed icon theme.
QIcon programIcon();

} // namespace kv
