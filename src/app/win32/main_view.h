// The main window in the Win32 API: one child window per visible control of TFMain in the shared
// layout, drawn as the presenter says (the ViewPort); paints the banner, the satellites, the LED
// panel and the train bars, and hands every operator action (click, typing, the l_dd label, Exit,
// Stop, the close box, logging off) to the presenter. Decides nothing itself. UI thread only,
// except where said.
#pragma once

#include "control_update.h"
#include "dial_watch.h"
#include "display.h"
#include "keying/train_progress.h"
#include "loop_panel_controls.h"
#include "main_presenter.h"
#include "port/supervised_port.h"
#include "view_port.h"
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

class Tooltips;

class MainView final : private ViewPort {
public:
    // Reads the model's controls as they are now; call before the engine thread starts. The
    // window stays hidden until show().
    MainView(EngineSession& session, HINSTANCE instance);
    ~MainView() override;
    MainView(const MainView&) = delete;
    MainView& operator=(const MainView&) = delete;

    HWND window() const { return window_; }
    LoopPanel& loop_panel() { return *loop_panel_; }
    void show();

    MainPresenter& presenter() { return *presenter_; }

    // From the bridge.
    void apply(const ControlUpdate& update) { presenter_->apply(update); }
    void follow_focus(const std::string& control_name) { presenter_->follow_focus(control_name); }
    void show_port_status(const port::PortStatus& status);
    void show_train_progress(const TrainProgress& progress) {
        presenter_->show_train_progress(progress);
    }
    // The general error report: a modal box with the stop icon and one OK; `closed` once shut.
    void show_report(const std::string& text, const std::function<void()>& closed);

    // The engine's exit sequence is done: the window hides and the message loop ends.
    void engine_closed();

    // A readout beside the model's controls (control_ids.h): its text, and its colour in the
    // model's 0x00BBGGRR when given.
    void show_readout(int id, const std::string& text,
                      std::optional<std::uint32_t> color = std::nullopt);
    // Who hears the "Pass plot" button's clicks, with its new state.
    std::function<void(bool checked)> on_plot_button;
    void set_plot_button(bool checked);

    // The text a model control shows now.
    std::string control_text(const std::string& control) const { return text(control); }
    bool modal_open() const { return modal_open_; }
    const SourceMark& source_mark() const { return presenter_->source_mark(); }
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

    Child& add_child(const wchar_t* window_class, const std::string& text, DWORD style,
                     const Rect& place, int id);
    void build_decorations();
    void build_control(const Control& control);
    void build_tooltips();
    void layout();
    int text_height(HFONT font) const;
    void set_text(Child& child, const std::string& text);
    void show_text(Child& child, const std::string& text, std::optional<std::uint32_t> color);
    Child* child(const std::string& name) const;
    HBRUSH brush(COLORREF color);

    DOPPLEX_VIEW_PORT_CALLS

    EngineSession& session_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<Fonts> fonts_;
    std::unique_ptr<LoopPanel> loop_panel_;
    std::unique_ptr<Tooltips> tooltips_;
    std::vector<std::unique_ptr<Child>> children_;
    Child* footer_ = nullptr;
    std::map<std::string, Child*> by_name_;
    std::map<COLORREF, HBRUSH> brushes_;
    std::optional<port::PortStatus> port_status_;
    std::optional<TrainProgress> trains_[2];
    bool applying_ = false; // our own text change, not the operator's typing
    bool modal_open_ = false;
    bool closed_ = false;
    std::unique_ptr<MainPresenter> presenter_; // once the children it draws on are there
};

} // namespace dopplex::app::win32
