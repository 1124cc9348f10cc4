#include "main_view.h"

#include "control_ids.h"
#include "control_style.h"
#include "engine_session.h"
#include "key_rules.h"
#include "live_text.h"
#include "painting.h"
#include "posted_calls.h"
#include "readout_text.h"
#include "tooltips.h"
#include "wide_text.h"
#include "window_class.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>
#include <tuple>

namespace dopplex::app::win32 {

namespace {

constexpr UINT_PTR kFooterTimerId = 1; // puts the footer's own text back

constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

// The model's colours are COLORREFs already, but for the window-text colour.
COLORREF model_color(std::uint32_t color) {
    return color == kClWindowText ? GetSysColor(COLOR_WINDOWTEXT) : static_cast<COLORREF>(color);
}

} // namespace

MainView::MainView(EngineSession& session, HINSTANCE instance)
    : session_(session), instance_(instance) {
    register_window_class(instance, kMainWindowClass, view_procedure<MainView>);
    window_ = CreateWindowExW(kWindowExStyle, kMainWindowClass, to_wide(kWindowCaption).c_str(),
                              kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth,
                              kWindowHeight, nullptr, nullptr, instance, this);
    if (!window_) {
        throw std::runtime_error("The main window could not be created (error " +
                                 std::to_string(GetLastError()) + ")");
    }
    dpi_ = window_dpi(window_);
    fonts_ = std::make_unique<Fonts>(dpi_);
    build_decorations();
    for (const Control* control : session_.form().controls()) {
        if (control->visible()) {
            build_control(*control);
        }
    }
    loop_panel_ = std::make_unique<LoopPanel>(window_, instance_, session_);
    build_tooltips();
    presenter_ = std::make_unique<MainPresenter>(session_, static_cast<ViewPort&>(*this));
    layout();
    // Centred on the monitor's work area.
    const SIZE size = outer_size(kWindowWidth, kWindowHeight, kWindowStyle, kWindowExStyle, dpi_);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - size.cx) / 2,
                 work.top + (work.bottom - work.top - size.cy) / 2, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

MainView::~MainView() {
    if (window_) {
        drain_posted_calls(window_);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    for (const auto& [color, handle] : brushes_) {
        DeleteObject(handle);
    }
}

void MainView::show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
}

MainView::Child& MainView::add_child(const wchar_t* window_class, const std::string& text,
                                     DWORD style, const Rect& place, int id) {
    auto owned = std::make_unique<Child>();
    owned->place = place;
    owned->window = CreateWindowExW(
        0, window_class, to_wide(text, true).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    children_.push_back(std::move(owned));
    return *children_.back();
}

void MainView::build_decorations() {
    for (const bool tx : {false, true}) {
        Child& stop =
            add_child(L"BUTTON", "Stop", BS_PUSHBUTTON, kStopButtons[tx], kStopButtonIds[tx]);
        stop.bold = true;
        EnableWindow(stop.window, FALSE); // until this side runs a train
        // A child of its own, so its words are the control's text for a screen reader.
        add_child(L"STATIC", "", SS_OWNERDRAW, tx ? kTxTrainBar : kRxTrainBar,
                  tx ? kTxTrainBarId : kRxTrainBarId);
    }
    for (const auto& [place, id] : {std::pair{kRxDial, kRxDialId}, std::pair{kTxDial, kTxDialId}}) {
        add_child(L"STATIC", "", SS_RIGHT, place, id);
    }
    for (const Caption& c : captions()) {
        Child& caption = add_child(L"STATIC", std::string(c.text),
                                   (c.right_aligned ? SS_RIGHT : SS_LEFT) | SS_NOPREFIX,
                                   Rect{c.x, c.y, c.w, c.h}, 0);
        const ControlStyle style = caption_style(c.style);
        caption.bold = style.bold;
        caption.text_color = style.text_color;
    }
    footer_ = &add_child(L"STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kFooter, 0);
    // All flush left: the countdown's words follow the AOS time they qualify.
    const std::tuple<Rect, int, std::uint32_t> readouts[] = {
        {kLiveReadout, kLiveReadoutId, kLiveColor},
        {kLinkStatus, kLinkStatusId, kNoteColor},
        {kAosCountdown, kAosCountdownId, kCountdownColor},
        {kLogStatus, kLogStatusId, kNoteColor},
    };
    for (const auto& [place, id, color] : readouts) {
        add_child(L"STATIC", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, place, id).text_color = color;
    }
    add_child(L"BUTTON", "Pass plot", BS_AUTOCHECKBOX | BS_PUSHLIKE, kPlotButton, kPlotButtonId);
}

void MainView::build_tooltips() {
    tooltips_ = std::make_unique<Tooltips>(window_, instance_, scaled(400, dpi_));
    for (const auto& [name, c] : by_name_) {
        if (const std::string_view hint = key_hint(name); !hint.empty()) {
            tooltips_->set(c->window, std::string(hint));
        }
    }
    tooltips_->set(GetDlgItem(window_, kPlotButtonId), kPlotButtonTooltip);
    tooltips_->set(GetDlgItem(window_, kLiveReadoutId), kLiveTooltip);
}

void MainView::show_readout(int id, const std::string& text, std::optional<std::uint32_t> color) {
    for (const auto& c : children_) {
        if (GetDlgCtrlID(c->window) == id) {
            show_text(*c, text, color);
        }
    }
}

void MainView::show_text(Child& c, const std::string& text, std::optional<std::uint32_t> color) {
    if (color && c.text_color != color) {
        c.text_color = *color;
        InvalidateRect(c.window, nullptr, TRUE);
    }
    set_text(c, text);
}

void MainView::set_readout(Readout readout, const std::string& text,
                           std::optional<std::uint32_t> colour) {
    if (readout == Readout::Footer) {
        return show_text(*footer_, text, colour);
    }
    const int ids[] = {0, kLinkStatusId, kLiveReadoutId, kRxDialId, kTxDialId};
    show_readout(ids[static_cast<int>(readout)], text, colour);
}

void MainView::set_plot_button(bool checked) {
    SendDlgItemMessageW(window_, kPlotButtonId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED,
                        0);
}

void MainView::build_control(const Control& control) {
    const std::string& name = control.name();
    Rect place{};
    for (const Placement& p : control_placements()) {
        if (p.name == name) {
            place = Rect{p.x, p.y, p.w, p.h};
        }
    }
    const wchar_t* window_class = L"BUTTON";
    DWORD style = WS_TABSTOP;
    const ControlStyle look = control_style(control);
    switch (control.kind()) {
    case ControlKind::Label:
        window_class = L"STATIC";
        style = SS_NOPREFIX | (name == "l_st" ? SS_LEFT : SS_LEFTNOWORDWRAP) |
                (name == "l_dd" ? SS_NOTIFY : 0);
        break;
    case ControlKind::Edit:
        window_class = L"EDIT";
        style |= WS_BORDER | ES_AUTOHSCROLL | (look.editable ? 0 : ES_READONLY);
        break;
    case ControlKind::Memo: {
        window_class = L"EDIT";
        style |= WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
        break;
    }
    case ControlKind::Button:
        style |= name == kDefaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case ControlKind::SpeedButton:
        style = BS_PUSHBUTTON | BS_FLAT; // a speed button never takes the focus
        break;
    case ControlKind::CheckBox:
        style |= BS_CHECKBOX;
        break;
    case ControlKind::RadioButton:
        style |= BS_RADIOBUTTON;
        break;
    }
    Child& made = add_child(window_class, "", style, place, control_id(name));
    made.name = name;
    made.bold = look.bold;
    made.single_line_edit = control.kind() == ControlKind::Edit;
    made.text_color = look.text_color;
    made.back_color = look.back_color;
    by_name_[name] = &made;
}

void MainView::layout() {
    for (const auto& c : children_) {
        const HFONT font = c->bold ? fonts_->bold() : fonts_->normal();
        int y = scaled(c->place.y, dpi_), h = scaled(c->place.h, dpi_);
        if (c->single_line_edit) {
            // A single-line edit draws its text at the top, so its box fits the text (border
            // and a pixel above and below) and stands in the middle of its place.
            const int fitted = std::min(h, text_height(font) + 2 * GetSystemMetrics(SM_CYBORDER) +
                                               scaled(2, dpi_));
            y += (h - fitted) / 2;
            h = fitted;
        }
        SetWindowPos(c->window, nullptr, scaled(c->place.x, dpi_), y, scaled(c->place.w, dpi_), h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(c->window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    loop_panel_->layout(dpi_, fonts_->normal());
}

int MainView::text_height(HFONT font) const {
    const HDC dc = GetDC(window_);
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window_, dc);
    return metrics.tmHeight;
}

bool MainView::shows(const std::string& control) const {
    return child(control) != nullptr;
}

std::string MainView::text(const std::string& control) const {
    const Child* c = child(control);
    return c ? to_utf8(window_text(c->window)) : "";
}

MainView::Child* MainView::child(const std::string& name) const {
    const auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : it->second;
}

void MainView::set_text(Child& c, const std::string& text) {
    applying_ = true;
    SetWindowTextW(c.window, to_wide(text, true).c_str());
    applying_ = false;
}

void MainView::set_text(const std::string& control, const std::string& text) {
    set_text(*child(control), text);
}

void MainView::set_enabled(const std::string& control, bool enabled) {
    EnableWindow(child(control)->window, enabled);
}

void MainView::set_visible(const std::string& control, bool visible) {
    ShowWindow(child(control)->window, visible ? SW_SHOWNA : SW_HIDE);
}

void MainView::set_checked(const std::string& control, bool checked) {
    SendMessageW(child(control)->window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MainView::set_colours(const std::string& control, std::uint32_t text,
                           std::optional<std::uint32_t> back) {
    Child& c = *child(control);
    c.text_color = text;
    c.back_color = back;
    InvalidateRect(c.window, nullptr, TRUE);
}

void MainView::set_bold(const std::string& control, bool bold) {
    Child& c = *child(control);
    c.bold = bold;
    SendMessageW(c.window, WM_SETFONT,
                 reinterpret_cast<WPARAM>(bold ? fonts_->bold() : fonts_->normal()), FALSE);
}

void MainView::set_tooltip(const std::string& control, const std::string& text) {
    tooltips_->set(child(control)->window, text);
}

void MainView::append_line(const std::string& control, const std::string& line) {
    const HWND memo = child(control)->window;
    const int end = GetWindowTextLengthW(memo);
    const std::wstring text = (end > 0 ? L"\r\n" : L"") + to_wide(line);
    SendMessageW(memo, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(memo, EM_SCROLLCARET, 0, 0);
}

void MainView::clear_lines(const std::string& control) {
    set_text(*child(control), "");
}

void MainView::focus(const std::string& control) {
    const HWND c = child(control)->window;
    if (IsWindowVisible(c) && IsWindowEnabled(c)) {
        SetFocus(c);
    }
}

void MainView::set_title(const std::string& title) {
    SetWindowTextW(window_, to_wide(title).c_str());
}

void MainView::show_train(bool tx, const TrainProgress& progress) {
    trains_[tx] = progress;
    const HWND bar = GetDlgItem(window_, tx ? kTxTrainBarId : kRxTrainBarId);
    SetWindowTextW(bar, to_wide(train_text(progress)).c_str());
    InvalidateRect(bar, nullptr, FALSE);
}

void MainView::set_stop_enabled(bool tx, bool enabled) {
    EnableWindow(GetDlgItem(window_, kStopButtonIds[tx]), enabled);
}

void MainView::start_footer_timer(int ms) {
    SetTimer(window_, kFooterTimerId, static_cast<UINT>(ms), nullptr);
}

ViewPort::Poster MainView::poster() {
    return [window = window_](std::function<void()> call) { post_call(window, std::move(call)); };
}

void MainView::show_port_status(const port::PortStatus& status) {
    if (port_status_ == status) {
        return;
    }
    port_status_ = status;
    const RECT r{scaled(kLedPanel.x, dpi_), scaled(kLedPanel.y, dpi_),
                 scaled(kLedPanel.x + kLedPanel.w, dpi_), scaled(kLedPanel.y + kLedPanel.h, dpi_)};
    InvalidateRect(window_, &r, FALSE);
}

void MainView::show_report(const std::string& text, const std::function<void()>& closed) {
    modal_open_ = true;
    MessageBoxW(window_, to_wide(text, true).c_str(), L"Dopplex", MB_ICONSTOP | MB_OK);
    modal_open_ = false;
    closed();
}

void MainView::engine_closed() {
    if (closed_) {
        return;
    }
    closed_ = true;
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

std::string MainView::focused_button() const {
    const HWND focus = GetFocus();
    for (const auto& [name, c] : by_name_) {
        if (c->window != focus || !IsWindowVisible(focus) || !IsWindowEnabled(focus)) {
            continue;
        }
        const LONG_PTR type = GetWindowLongPtrW(focus, GWL_STYLE) & BS_TYPEMASK;
        wchar_t window_class[16] = {};
        GetClassNameW(focus, window_class, 16);
        const bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
        return push && lstrcmpiW(window_class, L"BUTTON") == 0 ? name : std::string();
    }
    return {};
}

void MainView::on_command(int id, int code, HWND control) {
    // An entry tells its parent of its first text while the panel is still being made.
    if (loop_panel_ && loop_panel_->command(id, code, control)) {
        return;
    }
    if (id == kPlotButtonId) {
        if (code == BN_CLICKED && on_plot_button) {
            on_plot_button(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        }
        return;
    }
    if (id == kEscapeId || id == kStopButtonIds[0] || id == kStopButtonIds[1]) {
        // Esc stops both sides' trains, a side's Stop its own.
        if (code == BN_CLICKED) {
            presenter_->stop(id == kEscapeId ? std::nullopt
                                             : std::optional<Side>(
                                                   id == kStopButtonIds[1] ? Side::Tx : Side::Rx));
        }
        return;
    }
    const std::string name(control_name(id));
    const Child* c = child(name);
    if (!c || c->window != control) {
        return;
    }
    if (code == BN_CLICKED || (name == "l_dd" && code == STN_CLICKED)) {
        presenter_->clicked(name);
    } else if (code == EN_CHANGE && !applying_) {
        presenter_->typed(name, text(name));
    } else if (code == EN_KILLFOCUS) {
        presenter_->left(name);
    }
}

HBRUSH MainView::brush(COLORREF color) {
    auto [it, added] = brushes_.try_emplace(color, nullptr);
    if (added) {
        it->second = CreateSolidBrush(color);
    }
    return it->second;
}

LRESULT MainView::on_color(HDC dc, HWND control) {
    for (const auto& c : children_) {
        if (c->window != control) {
            continue;
        }
        if (c->text_color) {
            SetTextColor(dc, model_color(*c->text_color));
        }
        if (c->back_color) {
            SetBkColor(dc, *c->back_color);
            return reinterpret_cast<LRESULT>(brush(*c->back_color));
        }
        break;
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void MainView::paint() {
    // Off screen, so the LED panel does not flicker at every write.
    paint_off_screen(window_, [this](HDC dc, const RECT& client) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        paint_frames(dc, *fonts_, dpi_);
        paint_banner(dc, kBanner, *fonts_, dpi_);
        paint_satellite(dc, kRxSatellite, true, *fonts_, dpi_);
        paint_satellite(dc, kTxSatellite, false, *fonts_, dpi_);
        paint_led_panel(dc, kLedPanel, port_status_ ? &*port_status_ : nullptr, *fonts_, dpi_);
    });
}

LRESULT MainView::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case kPostedCallMessage:
        run_posted_call(l);
        return 0;
    case WM_TIMER:
        if (w != kFooterTimerId) {
            return DefWindowProcW(window_, message, w, l);
        }
        KillTimer(window_, kFooterTimerId);
        presenter_->footer_back();
        return 0;
    case WM_COMMAND:
        on_command(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return on_color(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        if (item->CtlID != kRxTrainBarId && item->CtlID != kTxTrainBarId) {
            return FALSE;
        }
        paint_train_bar(item->hDC, item->rcItem, trains_[item->CtlID == kTxTrainBarId], *fonts_,
                        brush(RGB(120, 200, 120)));
        return TRUE;
    }
    case WM_ERASEBKGND:
        return 1; // paint() covers the whole client area
    case WM_PAINT:
        paint();
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(control_id(kDefaultButton), DC_HASDEFID);
    case WM_CLOSE:
        // The close box lowers the lines like Exit does, so no radio button is left pressed,
        // and does not wait for a running train.
        if (!closed_) {
            presenter_->exit_now();
        }
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The process ends once this returns: the lines are low before it does.
        if (w && !closed_) {
            session_.close_now().wait_for(std::chrono::seconds(5));
        }
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(w);
        fonts_ = std::make_unique<Fonts>(dpi_);
        layout();
        take_suggested_place(window_, l);
        InvalidateRect(window_, nullptr, TRUE);
        return 0;
    }
    default:
        return DefWindowProcW(window_, message, w, l);
    }
}

} // namespace dopplex::app::win32
