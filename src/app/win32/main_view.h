// The main window in the Win32 API: a view of TFMain in the shared layout. Builds one child
// window per visible control, applies the model's changes as the bridge posts them, paints the
// banner, the satellites, the LED panel and the train bars, and posts every operator action
// (click, typing, the l_dd label, Exit, Stop, the close box, logging off) to the engine's queue.
// Decides nothing itself. UI thread only, except where said.
#pragma once

#include "control_update.h"
#include "dial_watch.h"
#include "display.h"
#include "keying/train_progress.h"
#include "loop_panel_controls.h"
#include "port/supervised_port.h"
#include "reference_check.h"
#include "source_mark.h"
#include "window_layout.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dopplex::app {
class EngineSession;
}

namespace dopplex::app::win32 {

class MainView {
public:
    // Reads the model's controls as they are now; call before the engine thread starts. The
    // window stays hidden until show().
    MainView(EngineSession& session, HINSTANCE instance);
    ~MainView();
    MainView(const MainView&) = delete;
    MainView& operator=(const MainView&) = delete;

    HWND window() const { return window_; }
    LoopPanel& loop_panel() { return *loop_panel_; }
    void show();

    // From the bridge.
    void apply(const ControlUpdate& update);
    void follow_focus(const std::string& control_name);
    void show_port_status(const port::PortStatus& status);
    void show_train_progress(const TrainProgress& progress);
    void show_dial(const DialReading& reading);
    // The general error report: a modal box with the stop icon and one OK; `closed` once shut.
    void show_report(const std::string& text, const std::function<void()>& closed);
    // The count of a report held after its close, on the footer line for the next 10 s.
    void show_held_report(const std::string& line);

    // Exit: the engine's exit sequence after what is queued.
    void request_exit();
    // The close box, logging off, Ctrl+C: the same at once, cutting a running train short.
    // Any thread.
    void request_exit_now();
    // The engine's exit sequence is done: the window hides and the message loop ends.
    void engine_closed();

    // A readout beside the model's controls (control_ids.h): its text, and its colour in the
    // model's 0x00BBGGRR when given.
    void show_readout(int id, const std::string& text,
                      std::optional<std::uint32_t> color = std::nullopt);
    // The link status line, also in the tooltip of the link's label.
    void show_link_status(const std::string& status);
    // Who hears the "Pass plot" button's clicks, with its new state.
    std::function<void(bool checked)> on_plot_button;
    void set_plot_button(bool checked);

    // The text a model control shows now; empty for a name without a control.
    std::string control_text(const std::string& name);
    bool modal_open() const { return modal_open_; }
    const SourceMark& source_mark() const { return mark_; }
    // The name of the visible, enabled push button of the model that has the focus, or empty.
    std::string focused_button() const;

    // The window procedure's (window_class.h).
    void adopt(HWND window) { window_ = window; }
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

private:
    struct Child {
        HWND window = nullptr;
        std::string name; // the model control's, or empty
        Rect place{};
        bool bold = false;
        bool single_line_edit = false; // fitted to its text and centred in its place
        std::optional<COLORREF> text_color;
        std::optional<COLORREF> back_color; // none: the window's own background
    };

    void on_command(int id, int code, HWND control);
    LRESULT on_color(HDC dc, HWND control);
    void paint();
    void paint_frames(HDC dc);
    void paint_train_bar(HDC dc, const RECT& r, const std::optional<TrainProgress>& train);

    Child& add_child(const wchar_t* window_class, const std::string& text, DWORD style,
                     const Rect& place, int id);
    void build_decorations();
    void build_control(const Control& control);
    void build_tooltips();
    void set_tooltip(HWND control, const std::string& text);
    void layout();
    int text_height(HFONT font) const;
    void set_text(Child& child, const std::string& text);
    void show_footer(const std::string& text, std::uint32_t color);
    void append_line(HWND memo, const std::string& line);
    void show_source_mark();
    void show_link_hint();
    void mark_reference(Side side);
    void post_click(const std::string& name);
    void post_type(const std::string& name);
    Child* child(const std::string& name);
    HBRUSH brush(COLORREF color);

    EngineSession& session_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<Fonts> fonts_;
    std::unique_ptr<LoopPanel> loop_panel_;
    HWND tooltips_ = nullptr;
    std::vector<std::unique_ptr<Child>> children_;
    Child* footer_ = nullptr;
    std::map<std::string, Child*> by_name_;
    std::map<std::string, int> typing_in_flight_;
    std::map<COLORREF, HBRUSH> brushes_;
    std::optional<port::PortStatus> port_status_;
    std::optional<TrainProgress> trains_[2];
    SourceMark mark_;
    ReferenceMarks references_;
    std::string link_reason_; // the link status line's words
    bool applying_ = false;   // our own text change, not the operator's typing
    bool modal_open_ = false;
    bool closed_ = false;
};

} // namespace dopplex::app::win32
