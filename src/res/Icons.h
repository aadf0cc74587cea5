// The program's icons, drawn at run time: the main frame's (128), the log windows' (129)
// and the tool bar's button images. GUI thread only, with a QGuiApplication.
#pragma once

#include <QIcon>

namespace res {

QIcon MainFrameIcon();
QIcon DocumentIcon();
// The tool-bar image of command `id`; a null icon for a command without one.
QIcon ToolBarIcon(int id);

} // namespace res
