// CCmdTarget: something on the route of the menu commands, accelerators and tool-bar
// buttons.
//
// The main frame offers a command to the targets of its route in order: the active view
// of the active log window, that window's document, the log window itself, the main
// frame, the application. The first target that handles the command runs it. A command
// that no target on the route handles is disabled (its menu item grayed, its button and
// accelerator dead). GUI thread only.
#pragma once

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Whether this target handles command `id`; when `execute` is set it also runs it.
    virtual bool OnCmdMsg(int id, bool execute) = 0;
};
