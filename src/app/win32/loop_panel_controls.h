// The closed loop's controls in the Win32 window: the shared table drawn as drop-down lists, a
// check box, a push button, readouts and the radios' edit fields, showing the loop's view and
// posting the operator's choices through the feed. UI thread, but for the feed's sink.
#pragma once

#include "control_ids.h"
#include "loop_feed.h"
#include "loop_panel.h"

#include <windows.h>

#include <map>
#include <vector>

namespace dopplex::app::win32 {

inline int loop_control_id(LoopField field) {
    return kLoopFirstId + static_cast<int>(field);
}

class LoopPanel {
public:
    // Builds the children on `parent` from the model as it is; before the engine starts.
    LoopPanel(HWND parent, HINSTANCE instance, EngineSession& session);

    LoopFeed& feed() { return feed_; }
    // Places the children at the window's scale, in its font.
    void layout(UINT dpi, HFONT font);
    // A WM_COMMAND from one of the children: true when it was the panel's.
    bool command(int id, int code, HWND control);
    // Whether `control` is one of the edit fields, whose keys are the typing's.
    bool is_entry(HWND control) const;
    // Enter in an edit field: its words go to the engine.
    void apply(HWND control);
    void show(const LoopPanelView& view);

private:
    struct Child {
        HWND window;
        int x, y, w, h;
    };
    void add(const wchar_t* window_class, std::string_view text, DWORD style, int id, int x, int y,
             int w, int h);

    HWND parent_;
    HINSTANCE instance_;
    LoopFeed feed_;
    LoopPanelView view_;
    std::vector<Child> children_;
    std::map<LoopField, HWND> by_field_;
    bool showing_ = false;
};

} // namespace dopplex::app::win32
